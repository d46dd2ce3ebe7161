// The handles the library opened through the interposer and has not closed, by value, with what each
// stands for: the key's path, the file's name, the service's name. Module handles count each load.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_HANDLE_LEDGER_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_HANDLE_LEDGER_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "interposer.h"

namespace host::interposer {

class HandleLedger {
 public:
  // A handle the library received. A value already held is taken over (its old entry was closed some
  // way the interposer did not see), except a module's, which counts one more load.
  void Opened(HandleKind kind, const void* handle, std::string what);
  // A handle the library closed; one load less of a module. Values never seen are ignored.
  void Closed(const void* handle);
  // What an open handle of this kind stands for; null when it is not one.
  const std::string* What(HandleKind kind, const void* handle) const;

  HandleCounts Counts() const;
  std::vector<OpenHandle> List() const;

 private:
  struct Entry {
    HandleKind kind;
    std::string what;
    size_t references;
  };
  std::map<uintptr_t, Entry> open_;
};

}  // namespace host::interposer

#endif

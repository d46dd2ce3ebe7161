// A failure that ends the run before or around the module object, with the exit code it maps to and a
// one-line message saying what was wrong and what to do.
#ifndef BASETDIC_HOST_HOST_ERROR_H
#define BASETDIC_HOST_HOST_ERROR_H

#include <string>

namespace host {

// Exit codes: every operation reported result 1; one reported 0; bad usage or nothing to run against.
constexpr int kExitSuccess = 0;
constexpr int kExitOperationFailed = 1;
constexpr int kExitUsage = 2;

struct HostError {
  std::string message;  // "what was wrong: what to do"
  int exitCode = kExitUsage;
  bool reported = false;  // the command printed its report already (with --json, its document)
};

}  // namespace host

#endif

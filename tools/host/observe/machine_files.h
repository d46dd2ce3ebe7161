// Files on the machine the host works on, read and written whole through the Windows API (so on the
// simulated machine through winsim, like the library's own files): zel.ini, the trace file, folders.
#ifndef BASETDIC_HOST_OBSERVE_MACHINE_FILES_H
#define BASETDIC_HOST_OBSERVE_MACHINE_FILES_H

#include <string>

namespace host {

bool ReadWholeFile(const std::string& path, std::string* bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool IsFolder(const std::string& path);
// A file, not a folder, stands at path.
bool IsPlainFile(const std::string& path);

}  // namespace host

#endif

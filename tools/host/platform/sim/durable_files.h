// Putting what the machine folder's saves write on disk, so that a commit that says it is complete is
// complete even after a power cut, not only after a killed process.
#ifndef BASETDIC_HOST_DURABLE_FILES_H
#define BASETDIC_HOST_DURABLE_FILES_H

#include <filesystem>
#include <string>

namespace host::platform {

// fsync of one file or folder.
bool SyncPath(const std::filesystem::path& path, bool directory);
// Everything under root, files and folders, root included.
bool SyncTree(const std::filesystem::path& root);
// An empty file made and put on disk with the folder that holds it.
bool CreateDurably(const std::filesystem::path& path);
// The failure of a call on path in words: "cannot <doing> <path>: <why>".
std::string CannotDo(const std::string& doing, const std::filesystem::path& path, const std::error_code& why);

}  // namespace host::platform

#endif

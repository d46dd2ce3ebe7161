// File-system helpers of the Wine harness: whole-file reads and writes, folder trees, the program's own
// location. Each reports failure through its result; none throws.
#ifndef BASETDIC_TESTS_WINE_WINE_FILES_H
#define BASETDIC_TESTS_WINE_WINE_FILES_H

#include <string>

namespace winetest {

// The folder holding this program, without trailing backslash.
std::string ProgramDirectory();

// The folder part of a path ("C:\a\b.sys" -> "C:\a"); empty when the path has no backslash.
std::string ParentOf(const std::string& path);

// Creates the folder and any missing parents. True when it exists afterwards.
bool CreateFolderTree(const std::string& folder);

// The outermost folder of path's ancestry (path included) that does not exist yet: what removing
// everything CreateFolderTree(path) makes takes. Empty when path exists.
std::string OutermostMissingFolder(const std::string& path);

// Removes a folder with everything below it, or a single file. True when nothing is left.
bool DeleteTree(const std::string& path);

bool ReadWholeFile(const std::string& path, std::string* contents);
bool WriteWholeFile(const std::string& path, const std::string& contents);

bool FileExists(const std::string& path);

// A name not used before in this process: prefix, process id and a sequence number.
std::string UniqueName(const std::string& prefix);

}  // namespace winetest

#endif

// Deleting files by name and by pattern. Failures are ignored: a file that cannot be deleted stays.
#ifndef BASETDIC_GENERIC_DELETE_FILES_H
#define BASETDIC_GENERIC_DELETE_FILES_H

namespace basetdic {

// Deletes the entries of directory whose names match pattern (wildcards as FindFirstFileA takes them).
// Only the directory itself is searched; subdirectories, "." and ".." are handed to DeleteFileA too, which
// refuses them. Nothing happens when either argument is null, or for a search path or entry path that
// would exceed 259 characters.
void DeleteMatchingFiles(const char* directory, const char* pattern);

// Deletes the file when a path is given.
void DeleteFileIfNamed(const char* path);

}  // namespace basetdic

#endif

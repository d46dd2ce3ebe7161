// The one routine through which the driver operations place files: a copy that, when asked, refuses to
// replace an installed file by an older one.
#ifndef BASETDIC_STEPS_COPY_DRIVER_FILE_H
#define BASETDIC_STEPS_COPY_DRIVER_FILE_H

namespace basetdic {

// Copies source over destination (an existing destination is overwritten). With checkVersion non-zero
// the copy is skipped, and 1 returned, when both files carry a version number and the source's is
// strictly lower. Otherwise returns CopyFileA's result. Each call traces the two paths, then either the
// skip or the copy's result and error code.
int CopyDriverFile(const char* source, const char* destination, int checkVersion);

class VersionReader;
// The same with the version functions already bound, for a copy that runs while redirection is off.
int CopyDriverFile(const VersionReader& versions, const char* source, const char* destination, int checkVersion);

}  // namespace basetdic

#endif

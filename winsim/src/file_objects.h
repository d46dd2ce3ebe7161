// What the file calls share: file handle objects, the open-file table and share checks, host-path probes.
#ifndef WINSIM_FILE_OBJECTS_H
#define WINSIM_FILE_OBJECTS_H

#include <unistd.h>

#include <string>
#include <vector>

#include "handles.h"
#include "paths.h"
#include "windows.h"

namespace winsim::detail {

struct FileObject : HandleObject {
  HandleKind Kind() const override { return device.empty() ? HandleKind::File : HandleKind::Device; }
  ~FileObject() override {
    if (fd >= 0) close(fd);
  }
  int fd = -1;
  std::string host;    // host path of a file
  std::string device;  // name of a device
  DWORD access = 0;
  DWORD share = 0;
};

using Existence = winsim::detail::HostEntry;

inline Existence Probe(const std::string& host) { return winsim::detail::ProbeHostPath(host); }

inline DWORD MissingError(Existence existence) { return winsim::detail::MissingPathError(existence); }

// Every open file handle, so share modes can be checked across handles.
std::vector<FileObject*>& OpenFiles();

inline bool WantsRead(DWORD access) { return (access & (GENERIC_READ | GENERIC_ALL)) != 0; }
inline bool WantsWrite(DWORD access) { return (access & (GENERIC_WRITE | GENERIC_ALL)) != 0; }

// Whether a new open with this access and share mode can coexist with every open handle on the file.
// Opens that neither read nor write (attributes only) take no part on either side.
bool SharingAllows(const std::string& host, DWORD access, DWORD share);

bool OpenWithoutDeleteSharing(const std::string& host);

// Takes a closing file out of the table of open files.
FileObject* Forget(FileObject* file);

}  // namespace winsim::detail

#endif

// One-line descriptions of snapshot entries, shared by the change report and machine show.
#ifndef BASETDIC_HOST_DESCRIBE_H
#define BASETDIC_HOST_DESCRIBE_H

#include <string>

#include "observe/snapshot.h"

namespace host {

std::string DescribeFile(const FileState& file);          // "version 7.0.0.26, 3072 bytes"
std::string DescribeService(const ServiceState& service);  // "kernel driver, auto start, running"
std::string DescribeServiceConfig(const ServiceState& service);  // "image ...; depends on ...; ..."
std::string DescribeLaunch(const LaunchState& launch);     // "CreateProcess in C:\x; exited with 0 after 2.0 s"
std::string Seconds(DWORD milliseconds);                   // "2.0 s"

}  // namespace host

#endif

// The one way the library opens the local service control manager: with full access, owned so that it
// closes on every path.
#ifndef BASETDIC_SERVICE_SERVICE_MANAGER_H
#define BASETDIC_SERVICE_SERVICE_MANAGER_H

#include <windows.h>

#include "generic/win_handles.h"

namespace basetdic {

// Through the linked OpenSCManagerA and CloseServiceHandle unless the caller hands others (the service
// installer's, bound at run time). An empty handle when the manager did not open.
UniqueServiceHandle OpenServiceManager(decltype(&::OpenSCManagerA) open = &::OpenSCManagerA,
                                       ServiceHandleTraits::Closer closer = ServiceHandleTraits::Closer());

}  // namespace basetdic

#endif

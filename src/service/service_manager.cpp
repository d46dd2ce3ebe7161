#include "service/service_manager.h"

namespace basetdic {

UniqueServiceHandle OpenServiceManager(decltype(&::OpenSCManagerA) open, ServiceHandleTraits::Closer closer) {
  return UniqueServiceHandle(open(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), closer);
}

}  // namespace basetdic

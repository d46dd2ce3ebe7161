// The process's handle table: every kernel, registry and service-manager handle winsim hands out.
#ifndef WINSIM_HANDLES_H
#define WINSIM_HANDLES_H

#include <map>
#include <memory>

#include "winsim/machine.h"

namespace winsim::detail {

struct HandleObject {
  virtual ~HandleObject() = default;
  virtual HandleKind Kind() const = 0;
};

class HandleTable {
 public:
  // Stores the object and returns its new handle value (a small multiple of 4, never null or -1).
  void* Add(std::shared_ptr<HandleObject> object);

  template <class T>
  std::shared_ptr<T> Get(const void* handle, HandleKind kind) const {
    auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
    if (found == objects_.end() || found->second->Kind() != kind) return nullptr;
    return std::static_pointer_cast<T>(found->second);
  }
  std::shared_ptr<HandleObject> Find(const void* handle) const;
  // Removes the handle; returns the object it held, or null when it was not open.
  std::shared_ptr<HandleObject> Remove(const void* handle);

  size_t Count(HandleKind kind) const;
  size_t Count() const { return objects_.size(); }
  void Clear();

 private:
  std::map<uintptr_t, std::shared_ptr<HandleObject>> objects_;
  uintptr_t next_ = 0x100;
};

HandleTable& Handles();

}  // namespace winsim::detail

#endif

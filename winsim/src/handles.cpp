#include "handles.h"

namespace winsim::detail {

void* HandleTable::Add(std::shared_ptr<HandleObject> object) {
  uintptr_t value = next_;
  next_ += 4;
  objects_[value] = std::move(object);
  return reinterpret_cast<void*>(value);
}

std::shared_ptr<HandleObject> HandleTable::Find(const void* handle) const {
  auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
  return found == objects_.end() ? nullptr : found->second;
}

std::shared_ptr<HandleObject> HandleTable::Remove(const void* handle) {
  auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
  if (found == objects_.end()) return nullptr;
  std::shared_ptr<HandleObject> object = std::move(found->second);
  objects_.erase(found);
  return object;
}

size_t HandleTable::Count(HandleKind kind) const {
  size_t count = 0;
  for (const auto& entry : objects_) {
    if (entry.second->Kind() == kind) ++count;
  }
  return count;
}

void HandleTable::Clear() {
  objects_.clear();
  next_ = 0x100;
}

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

}  // namespace winsim::detail

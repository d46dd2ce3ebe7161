#include "handle_ledger.h"

#include <utility>

namespace host::interposer {
namespace {

uintptr_t Key(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

}  // namespace

void HandleLedger::Opened(HandleKind kind, const void* handle, std::string what) {
  auto found = open_.find(Key(handle));
  if (found != open_.end() && kind == HandleKind::Module && found->second.kind == HandleKind::Module) {
    ++found->second.references;
    return;
  }
  open_[Key(handle)] = Entry{kind, std::move(what), 1};
}

void HandleLedger::Closed(const void* handle) {
  auto found = open_.find(Key(handle));
  if (found == open_.end()) return;
  if (--found->second.references == 0) open_.erase(found);
}

const std::string* HandleLedger::What(HandleKind kind, const void* handle) const {
  auto found = open_.find(Key(handle));
  return found != open_.end() && found->second.kind == kind ? &found->second.what : nullptr;
}

HandleCounts HandleLedger::Counts() const {
  HandleCounts counts = {};
  for (const auto& entry : open_) counts[static_cast<size_t>(entry.second.kind)] += entry.second.references;
  return counts;
}

std::vector<OpenHandle> HandleLedger::List() const {
  std::vector<OpenHandle> list;
  for (const auto& entry : open_)
    for (size_t i = 0; i < entry.second.references; ++i) list.push_back({entry.second.kind, entry.second.what});
  return list;
}

}  // namespace host::interposer

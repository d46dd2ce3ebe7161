#include "session/module_session.h"

namespace host {
namespace {

// A value no operation writes: 0 and 1 are the only ones the library uses.
constexpr uint32_t kUnwritten = 0xB7C0FFEEu;

}  // namespace

ModuleSession::ModuleSession(const ModuleEntryPoints& entryPoints)
    : entryPoints_(entryPoints), object_(entryPoints.queryModuleObj ? entryPoints.queryModuleObj() : nullptr) {}

ModuleSession::~ModuleSession() {
  if (object_ != nullptr) entryPoints_.releaseObj(object_);
}

const ModuleObjVtbl& ModuleSession::Table() const { return *static_cast<const ModuleObjHeader*>(object_)->vtbl; }

ModuleStatus ModuleSession::Status() const { return *static_cast<const ModuleObjHeader*>(object_)->statusPtr; }

const char* ModuleSession::Identifier() const { return static_cast<const ModuleObjHeader*>(object_)->idPtr; }

template <typename CallSlot>
ModuleStatus ModuleSession::Probed(CallSlot call) {
  ModuleStatus* words = static_cast<const ModuleObjHeader*>(object_)->statusPtr;
  const ModuleStatus before = *words;
  words->result = kUnwritten;
  words->pending = kUnwritten;
  call(Table());
  wroteResult_ = words->result != kUnwritten;
  wrotePending_ = words->pending != kUnwritten;
  if (!wroteResult_) words->result = before.result;
  if (!wrotePending_) words->pending = before.pending;
  return Status();
}

ModuleStatus ModuleSession::SetModuleName(const std::string& name) {
  kept_.Named(name);
  return Probed([&](const ModuleObjVtbl& table) { table.SetModuleName(object_, name.c_str()); });
}

ModuleStatus ModuleSession::InsertFile(const std::string& path) {
  kept_.Inserted(path);
  return Probed([&](const ModuleObjVtbl& table) { table.InsertFile(object_, path.c_str()); });
}

ModuleStatus ModuleSession::Call(Operation operation) {
  return Probed([&](const ModuleObjVtbl& table) { RowOf(operation).call(table, object_); });
}

}  // namespace host

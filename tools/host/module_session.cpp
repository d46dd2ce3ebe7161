#include "module_session.h"

namespace host {

ModuleSession::ModuleSession(const ModuleEntryPoints& entryPoints)
    : entryPoints_(entryPoints), object_(entryPoints.queryModuleObj ? entryPoints.queryModuleObj() : nullptr) {}

ModuleSession::~ModuleSession() {
  if (object_ != nullptr) entryPoints_.releaseObj(object_);
}

const ModuleObjVtbl& ModuleSession::Table() const { return *static_cast<const ModuleObjHeader*>(object_)->vtbl; }

ModuleStatus ModuleSession::Status() const { return *static_cast<const ModuleObjHeader*>(object_)->statusPtr; }

const char* ModuleSession::Identifier() const { return static_cast<const ModuleObjHeader*>(object_)->idPtr; }

ModuleStatus ModuleSession::SetModuleName(const std::string& name) {
  Table().SetModuleName(object_, name.c_str());
  return Status();
}

ModuleStatus ModuleSession::InsertFile(const std::string& path) {
  Table().InsertFile(object_, path.c_str());
  return Status();
}

ModuleStatus ModuleSession::Call(Operation operation) {
  const ModuleObjVtbl& table = Table();
  switch (operation) {
    case Operation::Install: table.InstallDriver(object_); break;
    case Operation::Start: table.StartDriver(object_, 0); break;
    case Operation::Update: table.UpdateDriver(object_); break;
    case Operation::Remove: table.RemoveDriver(object_); break;
    case Operation::Check: table.CheckPlatform(object_); break;
  }
  return Status();
}

}  // namespace host

// The service keys under HKLM\SYSTEM\CurrentControlSet\Services as the service control manager reads and
// writes them. It works on the registry tree directly: its own registry traffic is not the caller's and
// shows in no call log.
#ifndef WINSIM_SCM_SERVICE_KEY_H
#define WINSIM_SCM_SERVICE_KEY_H

#include <memory>
#include <string>
#include <vector>

#include "registry_tree.h"
#include "scm_database.h"

namespace winsim::detail {

// The service's key, or null when there is none.
std::shared_ptr<RegNode> ServiceKey(const std::string& name);
// Names of the subkeys of the Services key, as created.
std::vector<std::string> ServiceKeyNames();

// Writes the values the manager owns, as Windows' service manager writes them for CreateServiceA: strings
// with their terminator, ImagePath REG_EXPAND_SZ (its %SystemRoot% expands when the service starts; Wine
// writes REG_SZ) and the others REG_SZ, lists REG_MULTI_SZ with the list's closing zero, numbers
// REG_DWORD. A value the configuration leaves empty is removed; ObjectName is written for a driver only
// when one was given. Other values in the key stay.
void WriteServiceKey(const std::string& name, const ServiceConfig& config);
// Reads a configuration back; false when the key holds no usable one (no Type, an unknown type or an
// impossible start type), which a booting manager skips as Windows and Wine do.
bool ReadServiceKey(RegNode& key, ServiceConfig* config);

// The ImagePath the key holds now (REG_SZ or REG_EXPAND_SZ, unexpanded); empty when it has none.
std::string StoredImagePath(RegNode& key);

void SetDeleteFlag(const std::string& name);
bool HasDeleteFlag(RegNode& key);
void RemoveServiceKey(const std::string& name);

}  // namespace winsim::detail

#endif

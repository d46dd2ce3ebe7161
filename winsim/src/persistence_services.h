// The service control manager's database as part of a saved machine: what the manager knows besides the
// registry (services it knows, running state, deletions pending), so that a loaded machine's manager is the
// one that was saved, not one freshly loaded from the registry.
#ifndef WINSIM_PERSISTENCE_SERVICES_H
#define WINSIM_PERSISTENCE_SERVICES_H

#include <nlohmann/json.hpp>

namespace winsim::detail {

nlohmann::json SaveServiceDatabase();
// Called after the registry has been restored; a null record (a machine saved without one) leaves the
// manager as the boot made it.
void LoadServiceDatabase(const nlohmann::json& saved);

}  // namespace winsim::detail

#endif

// The JSON forms of what the host reports; the same facts as the text, complete and untruncated.
#ifndef BASETDIC_HOST_JSON_OUTPUT_H
#define BASETDIC_HOST_JSON_OUTPUT_H

#include <nlohmann/json.hpp>

#include <ostream>

#include "observe/changes.h"
#include "observe/snapshot.h"
#include "report/report.h"

namespace host {

nlohmann::json ToJson(const MachineSummary& machine);
nlohmann::json ToJson(const FileState& file);
nlohmann::json ToJson(const RegistryValueState& value);
nlohmann::json ToJson(const ServiceState& service);
nlohmann::json ToJson(const LaunchState& launch);
nlohmann::json ToJson(const Changes& changes);
nlohmann::json ToJson(const ModuleStatus& status);
nlohmann::json ToJson(const std::vector<Notice>& notices);          // [{"code", "text"}]
// [{"function", "arguments", "error", "meaning", "injected"}]: failed calls, or every call of a step.
nlohmann::json ToJson(const std::vector<PlatformCall>& calls);
// The whole state, for machine show.
nlohmann::json ToJson(const Snapshot& snapshot);

// Prints a document as every JSON answer of the host is printed: indented by two blanks, bytes that are
// not UTF-8 replaced, one line end after it.
void PrintJson(const nlohmann::json& document, std::ostream& out);

}  // namespace host

#endif

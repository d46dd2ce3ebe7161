// The plain-text form of a step's changes, one area per line label.
#ifndef BASETDIC_HOST_CHANGES_TEXT_H
#define BASETDIC_HOST_CHANGES_TEXT_H

#include <ostream>

#include "observe/changes.h"

namespace host {

void PrintChanges(const Changes& changes, std::ostream& out);

// "  label     " : the two-blank indent and the label padded to the area column.
std::string AreaPrefix(const std::string& label);
constexpr size_t kAreaColumn = 12;   // where the change mark stands
constexpr size_t kDetailColumn = 16; // where details under an entry start
constexpr size_t kValueDataColumn = 20;  // where a registry value's data goes when it needs a line of its own

}  // namespace host

#endif

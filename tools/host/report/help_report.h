// --help as text for an 80-column terminal, or as one JSON document with --json.
#ifndef BASETDIC_HOST_REPORT_HELP_REPORT_H
#define BASETDIC_HOST_REPORT_HELP_REPORT_H

#include <ostream>

#include "cli/help_page.h"

namespace host {

void PrintHelp(const HelpPage& page, bool json, std::ostream& out);

}  // namespace host

#endif

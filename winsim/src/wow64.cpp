// Placeholder until the WOW64 area lands: no redirection.
#include "wow64.h"

namespace winsim::detail {

bool RedirectSystemPath(std::string&) { return false; }

}  // namespace winsim::detail

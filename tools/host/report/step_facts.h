// What the report says about a step beyond its status words and changes: the platform calls that failed
// during it, and notices when the operation did not do what its name says.
#ifndef BASETDIC_HOST_STEP_FACTS_H
#define BASETDIC_HOST_STEP_FACTS_H

#include <string>

#include "observe/failed_call.h"

namespace host {

// A notice about a step, or about the run before its steps. The code is stable for scripts; the text says
// it in the user's terms.
struct Notice {
  std::string code;  // a step's "no-branch", "not-nt", "no-setup-folder"; a run's "machine-created", ...
  std::string text;
};

}  // namespace host

#endif

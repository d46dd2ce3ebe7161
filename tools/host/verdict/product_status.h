// The product's state on a machine as status reports it, judged for one module kind with the same
// expectations as the verdict after a step: a kind whose registration is there (the TDI key, the ZelBase
// key, or the network component) must be whole and running; one that is not there must have left
// nothing behind. Healthy (exit 0) is running, or not installed at all; anything else is exit 3.
#ifndef BASETDIC_HOST_VERDICT_PRODUCT_STATUS_H
#define BASETDIC_HOST_VERDICT_PRODUCT_STATUS_H

#include "observe/snapshot.h"
#include "report/status_report.h"

namespace host {

// Fills in what the snapshot shows and the judgement; report's machine, module and setup folder are
// set first.
void JudgeProduct(const Snapshot& snapshot, StatusReport* report);

}  // namespace host

#endif

// The run's verdict from its steps: exit code 1 when an operation reported result 0, 3 when every
// operation that acted reported 1 but the machine disagrees with one of them (a notice with a verdict
// code), 0 otherwise; and the outcome line that says it in words. A step that wrote no status word did
// nothing: it is named as such, not counted as a result 1.
#ifndef BASETDIC_HOST_VERDICT_RUN_VERDICT_H
#define BASETDIC_HOST_VERDICT_RUN_VERDICT_H

#include "report/report.h"

namespace host {

void SettleVerdict(RunReport* report);

}  // namespace host

#endif

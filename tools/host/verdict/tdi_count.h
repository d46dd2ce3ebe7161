// The shared TDI driver's reference count, nSon in its service key: what an acquire and a release must
// leave of it, and of the registration it keeps.
#ifndef BASETDIC_HOST_VERDICT_TDI_COUNT_H
#define BASETDIC_HOST_VERDICT_TDI_COUNT_H

#include <windows.h>

#include <vector>

#include "report/step_facts.h"
#include "verdict/evidence.h"

namespace host {

// nSon as the registration reads it (at most four bytes); false when the key or the value is missing or
// does not fit.
bool ReadTdiCount(const MachineView& view, DWORD* count);

// After an acquire (install or update): the count one above the one before, 1 when there was none, held
// at its top.
void ExpectCountAcquired(const Evidence& evidence, std::vector<Notice>* notices);
// After a release (remove): one below the count before, with key and driver kept; or, when that was the
// last reference (a count of at most 1, or none), no key, no driver image and no running driver.
void ExpectReleased(const Evidence& evidence, std::vector<Notice>* notices);

}  // namespace host

#endif

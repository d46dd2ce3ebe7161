// What the NT 6.x network-component branches leave: the product data path with the driver package
// copied into it, and the network component the configuration tool installs or removes.
#ifndef BASETDIC_HOST_VERDICT_COMPONENT_CHECKS_H
#define BASETDIC_HOST_VERDICT_COMPONENT_CHECKS_H

#include <vector>

#include "report/step_facts.h"
#include "verdict/evidence.h"

namespace host {

// The data path is set; false (with its notice) when it is not, since install stops there.
bool ExpectDataPath(const Evidence& evidence, std::vector<Notice>* notices);
// Every file of the driver package is in the data path.
void ExpectPackageCopied(const Evidence& evidence, std::vector<Notice>* notices);
// The network component is installed (or, after remove, no longer installed), with the tool's launch as
// the cause when it is not.
void ExpectComponent(const Evidence& evidence, bool installed, std::vector<Notice>* notices);

// "HKLM\SOFTWARE\Qandor\zel, value datapath"
std::string DataPathValueName();

}  // namespace host

#endif

// --fail FUNCTION[#N][=ERROR]: one platform call of the library made to fail without being made, so that
// an engineer can rehearse a customer's failure on a test machine.
#ifndef BASETDIC_HOST_CLI_CALL_FAILURE_H
#define BASETDIC_HOST_CLI_CALL_FAILURE_H

#include <windows.h>

#include <string>
#include <vector>

namespace host {

struct CallFailure {
  std::string function;  // as the library imports it: "CreateServiceA"
  unsigned nth = 1;      // which of the library's calls of function, counted from 1 over the whole run
  DWORD error = 0;       // the error it fails with; never 0 once parsed
  bool fittingError = false;  // error is the one Windows typically fails function with (none was named)
};

// The largest N --fail takes: far more calls of one function than any run of the library makes.
constexpr unsigned kMostCallsCounted = 100000;

// Reads "CreateServiceA", "createservicea#2", "CreateServiceA=5", "RegOpenKeyExA#3=0x5": the function
// in any case (kept as the library spells it), N a whole number from 1, ERROR a Windows error in decimal
// or 0x hex other than 0. False with *problem in words ("names the function CreateServiceX, which ...")
// and *nearest the function it may have meant.
bool ParseCallFailure(const std::string& given, CallFailure* failure, std::string* problem, std::string* nearest);

// The spec as the host writes it back, which ParseCallFailure reads as the same: "CreateServiceA#1=5", or
// "CreateServiceA#1" for the fitting error.
std::string CallFailureText(const CallFailure& failure);

// The functions --fail can fail: every function the library calls that fails on Windows, named as the
// library imports it, in the order of the table of fitting errors.
const std::vector<std::string>& FailableFunctions();

}  // namespace host

#endif

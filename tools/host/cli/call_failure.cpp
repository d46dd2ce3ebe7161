#include "cli/call_failure.h"

#include <cstdlib>
#include <cstring>

#include "cli/nearest_word.h"
#include "fitting_errors.h"
#include "rules/ascii_case.h"

namespace host {
namespace {

bool AllDigits(const std::string& text, const char* digits) {
  if (text.empty()) return false;
  for (char c : text) {
    if (std::strchr(digits, c) == nullptr) return false;
  }
  return true;
}

// A whole number from text in decimal or (where hexAllowed) after 0x in hex; false when it is no number
// or past limit.
bool ReadNumber(const std::string& text, bool hexAllowed, unsigned long long limit, unsigned long long* number) {
  const bool hex = hexAllowed && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (!AllDigits(digits, hex ? "0123456789abcdefABCDEF" : "0123456789")) return false;
  size_t first = digits.find_first_not_of('0');
  if (first != std::string::npos && digits.size() - first > (hex ? 8u : 10u)) return false;
  *number = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
  return *number <= limit;
}

}  // namespace

bool ParseCallFailure(const std::string& given, CallFailure* failure, std::string* problem, std::string* nearest) {
  nearest->clear();
  *failure = CallFailure{};
  const size_t equals = given.find('=');
  const std::string call = given.substr(0, equals);
  const size_t hash = call.find('#');
  const std::string name = call.substr(0, hash);
  if (name.empty()) {
    *problem = "names no function";
    return false;
  }
  for (const std::string& function : FailableFunctions()) {
    if (basetdic::EqualsNoCase(name.c_str(), function.c_str())) failure->function = function;
  }
  if (failure->function.empty()) {
    *problem = "names " + name + ", which is no function the library calls that can fail";
    *nearest = NearestWord(name, FailableFunctions());
    return false;
  }
  if (hash != std::string::npos) {
    unsigned long long nth = 0;
    if (!ReadNumber(call.substr(hash + 1), false, kMostCallsCounted, &nth) || nth == 0) {
      *problem = "counts the call after # as " + call.substr(hash + 1) + ", not as a whole number from 1 to " +
                 std::to_string(kMostCallsCounted);
      return false;
    }
    failure->nth = static_cast<unsigned>(nth);
  }
  if (equals == std::string::npos) {
    failure->error = interposer::FittingErrorFor(failure->function);
    failure->fittingError = true;
    return true;
  }
  unsigned long long error = 0;
  if (!ReadNumber(given.substr(equals + 1), true, 0xFFFFFFFFull, &error) || error == 0) {
    *problem = "gives the error after = as " + given.substr(equals + 1) +
               ", not as a Windows error number (decimal or 0x hex, not 0)";
    return false;
  }
  failure->error = static_cast<DWORD>(error);
  return true;
}

const std::vector<std::string>& FailableFunctions() {
  static const std::vector<std::string> functions = interposer::FunctionsWithFittingErrors();
  return functions;
}

std::string CallFailureText(const CallFailure& failure) {
  std::string text = failure.function + "#" + std::to_string(failure.nth);
  return failure.fittingError ? text : text + "=" + std::to_string(failure.error);
}

}  // namespace host

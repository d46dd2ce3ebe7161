// The notice codes of the verdict: one row per expectation a step or the product's state can fail, with
// what the code means. A notice with one of these codes means the machine disagrees with what the
// library reported; scripts match on the codes, so they stay as they are.
#ifndef BASETDIC_HOST_VERDICT_CODES_H
#define BASETDIC_HOST_VERDICT_CODES_H

#include <string>

#include "rules/row_range.h"

namespace host {

struct VerdictCode {
  const char* code;  // "not-running"
  const char* when;  // one line: what the machine shows
};

basetdic::RowRange<VerdictCode> VerdictCodes();

// Whether a notice's code is one of the verdict's (and not one of the notes on a step that did nothing).
bool IsDisagreement(const std::string& code);

// The codes, one per row.
namespace code {
inline constexpr char kNotRunning[] = "not-running";
inline constexpr char kNoDevice[] = "no-device";
inline constexpr char kImageMissing[] = "image-missing";
inline constexpr char kInvalidImage[] = "invalid-image";
inline constexpr char kOlderImage[] = "older-image";
inline constexpr char kNotConfigured[] = "not-configured";
inline constexpr char kCountMismatch[] = "count-mismatch";
inline constexpr char kComponentMissing[] = "component-missing";
inline constexpr char kDataPathMissing[] = "data-path-missing";
inline constexpr char kLeftBehind[] = "left-behind";
}  // namespace code

}  // namespace host

#endif

// Plain-text output for an 80-column terminal: long lines wrap at blanks under a hanging indent.
#ifndef BASETDIC_HOST_TEXT_LAYOUT_H
#define BASETDIC_HOST_TEXT_LAYOUT_H

#include <ostream>
#include <string>

namespace host {

constexpr size_t kScreenWidth = 80;

// Writes prefix + text, wrapping text so that no line passes kScreenWidth; continuation lines start
// with `indent` blanks. A word longer than a line is cut where the line ends.
void WriteWrapped(std::ostream& out, const std::string& prefix, const std::string& text, size_t indent);

// left and right on one line, right flush with the last column (or two blanks apart when they do not fit).
std::string LeftRight(const std::string& left, const std::string& right);

// head and data on one line when they fit; otherwise data on the next line at `indent`, wrapped there.
void WriteHeadAndData(std::ostream& out, const std::string& head, const std::string& data, size_t indent);

// text padded with blanks to width (left-aligned); longer text is returned as it is.
std::string Padded(const std::string& text, size_t width);

}  // namespace host

#endif

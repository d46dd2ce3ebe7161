#include "report/text_layout.h"

namespace host {

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string LeftRight(const std::string& left, const std::string& right) {
  if (left.size() + 2 + right.size() > kScreenWidth) return left + "  " + right;
  return left + std::string(kScreenWidth - left.size() - right.size(), ' ') + right;
}

namespace {

// The last space in text[first + 1, last], or npos. Bounded below so that a long run without spaces costs
// one line's width per line, not a scan back to the start of the text.
size_t LastSpaceIn(const std::string& text, size_t first, size_t last) {
  for (size_t at = last; at > first; --at) {
    if (text[at] == ' ') return at;
  }
  return std::string::npos;
}

}  // namespace

void WriteWrapped(std::ostream& out, const std::string& prefix, const std::string& text, size_t indent) {
  std::string line = prefix;
  size_t position = 0;
  while (true) {
    size_t room = kScreenWidth > line.size() ? kScreenWidth - line.size() : 1;
    if (text.size() - position <= room) {
      out << line << text.substr(position) << '\n';
      return;
    }
    size_t cut = LastSpaceIn(text, position, position + room);
    if (cut == std::string::npos) {
      cut = position + room;
      out << line << text.substr(position, cut - position) << '\n';
      position = cut;
    } else {
      size_t end = cut;
      while (end > position && text[end - 1] == ' ') --end;
      out << line << text.substr(position, end - position) << '\n';
      position = cut + 1;
      while (position < text.size() && text[position] == ' ') ++position;
    }
    line = std::string(indent, ' ');
  }
}

void WriteHeadAndData(std::ostream& out, const std::string& head, const std::string& data, size_t indent) {
  if (head.size() + data.size() <= kScreenWidth) {
    out << head << data << '\n';
    return;
  }
  size_t end = head.find_last_not_of(' ');
  out << head.substr(0, end == std::string::npos ? 0 : end + 1) << '\n';
  WriteWrapped(out, std::string(indent, ' '), data, indent);
}

}  // namespace host

#include "paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>

#include "machine_state.h"
#include "wow64.h"

namespace winsim::detail {
namespace {

std::vector<std::string> SplitComponents(const std::string& text) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

bool Normalise(const std::vector<std::string>& parts, std::vector<std::string>* out) {
  for (const std::string& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!out->empty()) out->pop_back();
      continue;
    }
    // Windows drops trailing dots and blanks from a component.
    std::string trimmed = part;
    while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' ')) trimmed.pop_back();
    if (trimmed.empty()) return false;
    for (char c : trimmed) {
      if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || c == ':' ||
          static_cast<unsigned char>(c) < 32)
        return false;
    }
    out->push_back(trimmed);
  }
  return true;
}

}  // namespace

std::string WindowsPath::Text() const {
  if (device) return "\\\\.\\" + deviceName;
  std::string text(1, drive);
  text += ":";
  if (components.empty()) return text + "\\";
  for (const std::string& part : components) text += "\\" + part;
  return text;
}

WindowsPath ParsePathNoRedirection(const std::string& path) {
  WindowsPath parsed;
  if (path.empty()) return parsed;
  if (path.size() > 4 && (path.compare(0, 4, "\\\\.\\") == 0 || path.compare(0, 4, "//./") == 0)) {
    parsed.device = true;
    parsed.deviceName = path.substr(4);
    parsed.valid = !parsed.deviceName.empty() && parsed.deviceName.find_first_of("\\/") == std::string::npos;
    return parsed;
  }
  std::string rest;
  if (path.size() >= 2 && path[1] == ':' && isalpha(static_cast<unsigned char>(path[0]))) {
    parsed.drive = static_cast<char>(toupper(static_cast<unsigned char>(path[0])));
    rest = path.substr(2);
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) {
      // "C:x" is relative to the drive's current directory; only the process's current drive is modelled.
      rest = Core().config.currentDirectory.substr(2) + "\\" + rest;
    }
  } else if (path[0] == '\\' || path[0] == '/') {
    if (path.size() > 1 && (path[1] == '\\' || path[1] == '/')) return parsed;  // UNC: not modelled
    parsed.drive = static_cast<char>(toupper(static_cast<unsigned char>(Core().config.currentDirectory[0])));
    rest = path;
  } else {
    const std::string& cwd = Core().config.currentDirectory;
    parsed.drive = static_cast<char>(toupper(static_cast<unsigned char>(cwd[0])));
    rest = cwd.substr(2) + "\\" + path;
  }
  parsed.valid = Normalise(SplitComponents(rest), &parsed.components);
  return parsed;
}

WindowsPath ParsePath(const char* path) {
  if (path == nullptr) return WindowsPath{};
  WindowsPath parsed = ParsePathNoRedirection(path);
  if (!parsed.valid || parsed.device) return parsed;
  std::string text = parsed.Text();
  if (RedirectSystemPath(text)) parsed = ParsePathNoRedirection(text);
  return parsed;
}

std::string HostPathOf(const WindowsPath& path) {
  auto drive = Core().drives.find(path.drive);
  if (!path.valid || path.device || drive == Core().drives.end()) return std::string();
  std::string host = drive->second;
  bool parentExists = true;
  for (const std::string& part : path.components) {
    std::string chosen = part;
    if (parentExists) {
      parentExists = false;
      if (DIR* dir = opendir(host.c_str())) {
        while (dirent* entry = readdir(dir)) {
          if (EqualNoCase(entry->d_name, part)) {
            chosen = entry->d_name;
            parentExists = true;
            break;
          }
        }
        closedir(dir);
      }
    }
    host += "/" + chosen;
  }
  return host;
}

HostEntry ProbeHostPath(const std::string& host) {
  if (host.empty()) return HostEntry::MissingParent;
  struct stat info;
  if (stat(host.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? HostEntry::Directory : HostEntry::File;
  std::string parent = std::filesystem::path(host).parent_path().string();
  if (parent.empty() || stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return HostEntry::MissingParent;
  return HostEntry::Missing;
}

}  // namespace winsim::detail

namespace winsim {

std::string HostPath(const std::string& windowsPath) {
  return detail::HostPathOf(detail::ParsePathNoRedirection(windowsPath));
}

}  // namespace winsim

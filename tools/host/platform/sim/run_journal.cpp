#include "platform/sim/run_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/sim/crash_point.h"
#include "platform/sim/durable_files.h"

namespace host::platform {

const char RunJournal::kFileName[] = "journal";

namespace {

namespace fs = std::filesystem;

const char kOriginals[] = "originals";
const char kDrives[] = "drives";

struct Entry {
  std::string kind;  // absent, folder, file
  std::string copy;  // for a file: its copy's name in originals/
  std::string path;  // below the machine folder
};

std::string Why(int error) { return std::error_code(error, std::generic_category()).message(); }

// A path the journal may touch: below drives/, normal, never climbing out.
bool InsideDrives(const fs::path& relative) {
  if (relative.empty() || relative.is_absolute() || relative.lexically_normal() != relative) return false;
  if (*relative.begin() != kDrives) return false;
  for (const fs::path& part : relative) {
    if (part == "..") return false;
  }
  return true;
}

bool ParseLine(const std::string& line, Entry* entry) {
  size_t tab = line.find('\t');
  if (tab == std::string::npos) return false;
  entry->kind = line.substr(0, tab);
  entry->path = line.substr(tab + 1);
  if (entry->kind == "file") {
    size_t second = entry->path.find('\t');
    if (second == std::string::npos) return false;
    entry->copy = entry->path.substr(0, second);
    entry->path = entry->path.substr(second + 1);
    if (entry->copy.empty() || entry->copy.find('/') != std::string::npos) return false;
  } else if (entry->kind != "absent" && entry->kind != "folder") {
    return false;
  }
  return InsideDrives(entry->path);
}

// Every complete line of the journal; false names the first line that is not one the journal writes.
bool ReadEntries(const fs::path& journal, std::vector<Entry>* entries, std::string* bad) {
  std::ifstream in(journal, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  size_t start = 0;
  for (size_t end = all.find('\n'); end != std::string::npos; start = end + 1, end = all.find('\n', start)) {
    Entry entry;
    if (!ParseLine(all.substr(start, end - start), &entry)) {
      *bad = all.substr(start, end - start);
      return false;
    }
    entries->push_back(entry);
  }
  return true;
}

// Makes path what the entry says stood there before the run, from whatever stands there now.
bool PutBack(const Entry& entry, const fs::path& path, const fs::path& staging, std::error_code* failed) {
  fs::file_status now = fs::symlink_status(path, *failed);
  failed->clear();
  bool present = fs::exists(now);
  if (entry.kind == "absent") {
    if (present) fs::remove_all(path, *failed);
  } else if (entry.kind == "folder") {
    if (present && !fs::is_directory(now)) fs::remove(path, *failed);
    if (!*failed && !fs::is_directory(now)) fs::create_directory(path, *failed);
  } else {
    // The copy goes back with a rename, so it is gone once the file is back: a repeated step finds
    // nothing to do.
    fs::path copy = staging / kOriginals / entry.copy;
    if (!fs::exists(fs::symlink_status(copy, *failed))) {
      failed->clear();
      return true;
    }
    if (present && fs::is_directory(now)) fs::remove_all(path, *failed);
    if (!*failed) fs::rename(copy, path, *failed);
  }
  return !*failed;
}

}  // namespace

RunJournal::RunJournal(const std::string& folder, const fs::path& staging, Durability durability)
    : folder_(folder),
      root_(fs::absolute(folder).lexically_normal()),
      staging_(staging),
      durable_(durability == Durability::Durable) {}

bool RunJournal::Sync(const fs::path& path, bool directory) const { return !durable_ || SyncPath(path, directory); }

RunJournal::~RunJournal() {
  if (descriptor_ >= 0) close(descriptor_);
}

bool RunJournal::Refuse(const std::string& problem, const std::string& fix) {
  if (problem_.empty()) {
    problem_ = problem;
    fix_ = fix;
  }
  return false;
}

bool RunJournal::OpenOnDisk() {
  if (descriptor_ >= 0) return true;
  std::error_code failed;
  fs::create_directories(staging_ / kOriginals, failed);
  if (!failed) descriptor_ = open((staging_ / kFileName).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (descriptor_ < 0 || !Sync(staging_, true) || !Sync(root_, true)) {
    return Refuse("cannot keep the run's journal in " + staging_.string() + ": " + (failed ? failed.message() : Why(errno)),
                  "free some space or make the machine folder writable");
  }
  return true;
}

bool RunJournal::NoteBeforeChange(const std::string& hostPath) {
  // Once a change was refused the run is not kept, so nothing later needs keeping either.
  if (!problem_.empty()) return false;
  fs::path relative = fs::path(hostPath).lexically_normal().lexically_relative(root_);
  std::string key = relative.generic_string();
  if (noted_.count(key)) return true;
  CrashPoint();  // the changes before this one are done
  fs::path shown = fs::path(folder_) / relative;
  if (!InsideDrives(relative) || key.find('\n') != std::string::npos) {
    return Refuse("the run tried to change " + hostPath + ", which is not on the machine's drives",
                  "report it: the simulated machine writes only below drives/");
  }
  if (access(fs::path(hostPath).parent_path().c_str(), W_OK) != 0) {
    return Refuse("cannot write in " + shown.parent_path().string() + ": " + Why(errno),
                  "make that folder writable for this user");
  }
  struct stat info;
  bool present = lstat(hostPath.c_str(), &info) == 0;
  if (present && !S_ISDIR(info.st_mode) && access(hostPath.c_str(), W_OK) != 0) {
    return Refuse("cannot write " + shown.string() + ": " + Why(errno), "make that file writable for this user");
  }
  if (!OpenOnDisk()) return false;
  std::string line;
  if (!present) {
    line = "absent\t" + key;
  } else if (S_ISDIR(info.st_mode)) {
    line = "folder\t" + key;
  } else {
    std::string copy = std::to_string(++copies_);
    fs::path part = staging_ / kOriginals / (copy + ".part");
    std::error_code failed;
    fs::copy(hostPath, part, fs::copy_options::copy_symlinks | fs::copy_options::overwrite_existing, failed);
    if (!failed && !S_ISLNK(info.st_mode) && !Sync(part, false)) failed = std::error_code(errno, std::generic_category());
    if (!failed) fs::rename(part, staging_ / kOriginals / copy, failed);
    if (failed || !Sync(staging_ / kOriginals, true)) {
      return Refuse("cannot keep a copy of " + shown.string() + " in " + staging_.string() +
                        " before the run changes it: " + (failed ? failed.message() : Why(errno)),
                    "free some space");
    }
    CrashPoint();
    line = "file\t" + copy + "\t" + key;
  }
  line += '\n';
  if (write(descriptor_, line.data(), line.size()) != static_cast<ssize_t>(line.size()) ||
      (durable_ && fdatasync(descriptor_) != 0)) {
    return Refuse("cannot write the run's journal in " + staging_.string() + ": " + Why(errno), "free some space");
  }
  noted_.insert(key);
  order_.push_back(key);
  CrashPoint();
  return true;
}

bool RunJournal::SyncChanges() const {
  bool synced = true;
  std::set<fs::path> folders;
  for (const std::string& key : order_) {
    fs::path path = root_ / key;
    std::error_code failed;
    fs::file_status status = fs::symlink_status(path, failed);
    if (fs::is_directory(status) || fs::is_regular_file(status)) synced = SyncPath(path, fs::is_directory(status)) && synced;
    folders.insert(path.parent_path());
  }
  for (const fs::path& folder : folders) synced = SyncPath(folder, true) && synced;
  return synced;
}

bool RunJournal::RollBack(const std::string& folder, const fs::path& staging, std::string* error) {
  std::vector<Entry> entries;
  std::string bad;
  if (!ReadEntries(staging / kFileName, &entries, &bad)) {
    *error = (staging / kFileName).string() + " holds a line the tool did not write (\"" + bad + "\")";
    return false;
  }
  fs::path root = fs::absolute(folder).lexically_normal();
  std::set<fs::path> folders;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    fs::path path = root / entry->path;
    std::error_code failed;
    if (!PutBack(*entry, path, staging, &failed)) {
      *error = "cannot put back " + (fs::path(folder) / entry->path).string() + ": " + failed.message();
      return false;
    }
    folders.insert(path.parent_path());
    CrashPoint();
  }
  for (const fs::path& parent : folders) SyncPath(parent, true);
  return true;
}

}  // namespace host::platform

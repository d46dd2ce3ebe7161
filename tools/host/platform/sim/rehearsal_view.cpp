#include "platform/sim/rehearsal_view.h"

#include <stdlib.h>

namespace host::platform {

namespace fs = std::filesystem;

namespace {

const char kJournalFolder[] = "rehearsal.journal";

}  // namespace

bool RehearsalView::LayOut(const fs::path& drives, std::string* error) {
  std::string pattern = (fs::temp_directory_path() / "basetdic-rehearsal-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "no temporary folder for the rehearsal";
    return false;
  }
  root_ = pattern;
  std::error_code failed;
  fs::create_directory(root_ / "drives", failed);
  for (fs::recursive_directory_iterator it(source_, failed), end; !failed && it != end; it.increment(failed)) {
    fs::path mirrored = root_ / "drives" / it->path().lexically_relative(source_);
    if (it->is_directory(failed) && !it->is_symlink(failed)) {
      fs::create_directory(mirrored, failed);
    } else {
      fs::create_symlink(it->path(), mirrored, failed);
    }
  }
  if (failed) {
    *error = "cannot lay out a view of " + drives.string() + " for the rehearsal: " + failed.message();
    Remove();
    return false;
  }
  return true;
}

bool RehearsalView::Begin(const fs::path& drives, std::string* error) {
  fs::path source = fs::absolute(drives).lexically_normal();
  if (root_.empty() || source != source_) {
    Remove();
    source_ = source;
    if (!LayOut(drives, error)) return false;
  } else if (!RunJournal::RollBack(root_.string(), root_ / kJournalFolder, error)) {
    *error = "cannot put the rehearsal's view back: " + *error;
    return false;
  }
  std::error_code ignored;
  fs::remove_all(root_ / kJournalFolder, ignored);
  journal_ = std::make_unique<RunJournal>(root_.string(), root_ / kJournalFolder, RunJournal::Durability::Scratch);
  return true;
}

bool RehearsalView::MakeOwnBeforeChange(const std::string& hostPath) {
  if (!journal_ || !journal_->NoteBeforeChange(hostPath)) return false;
  fs::path path(hostPath);
  std::error_code failed;
  if (!fs::is_symlink(fs::symlink_status(path, failed))) return true;
  fs::path own = path;
  own += ".own";
  fs::copy_file(fs::read_symlink(path, failed), own, fs::copy_options::overwrite_existing, failed);
  if (!failed) fs::rename(own, path, failed);
  return !failed;
}

void RehearsalView::Remove() {
  journal_.reset();
  if (root_.empty()) return;
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  root_.clear();
}

}  // namespace host::platform

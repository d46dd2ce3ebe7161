// A copy-on-write view of a machine's drives for explain's rehearsals: the view's folders are folders of
// its own and its files are links to the machine's, so laying it out costs one entry per file, not the
// files' bytes. Before a rehearsal changes a linked file, the link becomes a copy of its own; the
// machine's files are only ever read. What a rehearsal changed in the view is noted in a journal of the
// view's own and undone before the next one, so the view is laid out once per run.
#ifndef BASETDIC_HOST_REHEARSAL_VIEW_H
#define BASETDIC_HOST_REHEARSAL_VIEW_H

#include <filesystem>
#include <memory>
#include <string>

#include "platform/sim/run_journal.h"

namespace host::platform {

class RehearsalView {
 public:
  RehearsalView() = default;
  ~RehearsalView() { Remove(); }
  RehearsalView(const RehearsalView&) = delete;
  RehearsalView& operator=(const RehearsalView&) = delete;

  // A view of the drives folder given, as it is now, under Root()/drives: laid out in a new temporary
  // folder the first time, and put back as laid out for every rehearsal after. False with *error.
  bool Begin(const std::filesystem::path& drives, std::string* error);
  // The folder that holds the view's drives/.
  const std::filesystem::path& Root() const { return root_; }
  // Before a change at hostPath: a linked file becomes a file of the view's own. False (the change must not
  // happen) when that copy cannot be made, or when the path is outside the view.
  bool MakeOwnBeforeChange(const std::string& hostPath);
  void Remove();

 private:
  bool LayOut(const std::filesystem::path& drives, std::string* error);

  std::filesystem::path root_;
  std::filesystem::path source_;
  std::unique_ptr<RunJournal> journal_;
};

}  // namespace host::platform

#endif

// A copy-on-write view of a machine's drives for explain's rehearsals: the view's folders are folders of
// its own and its files are links to the machine's, so laying it out costs one entry per file, not the
// files' bytes. Before the rehearsal changes a linked file, the link becomes a copy of its own; the
// machine's files are only ever read.
#ifndef BASETDIC_HOST_REHEARSAL_VIEW_H
#define BASETDIC_HOST_REHEARSAL_VIEW_H

#include <filesystem>
#include <string>

namespace host::platform {

class RehearsalView {
 public:
  RehearsalView() = default;
  ~RehearsalView() { Remove(); }
  RehearsalView(const RehearsalView&) = delete;
  RehearsalView& operator=(const RehearsalView&) = delete;

  // A new temporary folder holding drives/ as a view of the drives folder given. False with *error.
  bool LayOut(const std::filesystem::path& drives, std::string* error);
  // The folder that holds the view's drives/.
  const std::filesystem::path& Root() const { return root_; }
  // Before a change at hostPath: a linked file becomes a file of the view's own. False (the change must not
  // happen) when that copy cannot be made, or when the path is outside the view.
  bool MakeOwnBeforeChange(const std::string& hostPath);
  void Remove();

 private:
  std::filesystem::path root_;
};

}  // namespace host::platform

#endif

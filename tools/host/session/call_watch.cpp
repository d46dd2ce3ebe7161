#include "session/call_watch.h"

#include <map>

#include "platform/platform.h"
#include "report/error_words.h"

namespace host {

CallWatch::CallWatch(const std::vector<CallFailure>& failures, bool keepEveryCall) : keepEveryCall_(keepEveryCall) {
  for (const CallFailure& failure : failures) plans_.push_back({failure});
}

bool CallWatch::Ready(std::string* why) {
  for (const Plan& plan : plans_) {
    std::string cannot;
    const bool planned = platform::FailNthCallOf(plan.failure.function, plan.failure.nth, plan.failure.error, &cannot);
    platform::ClearFaults();
    if (!planned) {
      *why = "--fail " + CallFailureText(plan.failure) + ": " + cannot;
      return false;
    }
  }
  return true;
}

void CallWatch::Begin() {
  mark_ = platform::MarkCalls();
  for (const Plan& plan : plans_) {
    std::string why;
    if (!plan.made) platform::FailNthCallOf(plan.failure.function, plan.failure.nth - plan.seen, plan.failure.error, &why);
  }
}

void CallWatch::End(StepReport* step) {
  std::vector<PlatformCall> calls = platform::CallsSince(mark_);
  platform::ClearFaults();
  for (Plan& plan : plans_) {
    for (const PlatformCall& call : calls) {
      if (!plan.made && call.function == plan.failure.function) plan.made = ++plan.seen == plan.failure.nth;
    }
  }
  step->failedCalls.clear();
  for (const PlatformCall& call : calls) {
    if (call.error != ERROR_SUCCESS) step->failedCalls.push_back(call);
  }
  if (keepEveryCall_) step->calls = std::move(calls);
}

std::vector<Notice> CallWatch::Unmade() const {
  std::vector<Notice> notices;
  for (const Plan& plan : plans_) {
    if (plan.made) continue;
    const std::string times = plan.seen == 1 ? "once" : std::to_string(plan.seen) + " times";
    notices.push_back({"fail-not-made", "--fail " + CallFailureText(plan.failure) + " failed nothing: the library called " +
                                            plan.failure.function + " " + times + " in this run"});
  }
  return notices;
}

std::vector<Notice> HandlesLeftNotices(const std::string& library) {
  std::vector<platform::LibraryHandle> handles;
  if (!platform::LibraryHandles(&handles) || handles.empty()) return {};
  // "2 key handles (HKLM\...), 1 file handle": the same kind counted together.
  std::map<std::string, std::vector<std::string>> byKind;
  std::vector<std::string> order;
  for (const platform::LibraryHandle& handle : handles) {
    if (byKind.find(handle.kind) == byKind.end()) order.push_back(handle.kind);
    byKind[handle.kind].push_back(handle.what);
  }
  std::string text;
  for (const std::string& kind : order) {
    const std::vector<std::string>& what = byKind[kind];
    std::string named;
    for (const std::string& one : what) {
      if (!one.empty()) named += (named.empty() ? "" : ", ") + one;
    }
    text += (text.empty() ? "" : "; ") + std::to_string(what.size()) + " " + kind +
            (what.size() == 1 ? " handle" : " handles") + (named.empty() ? "" : " (" + named + ")");
  }
  const std::string count = std::to_string(handles.size()) + (handles.size() == 1 ? " handle" : " handles");
  const size_t slash = library.find_last_of("\\/");
  const std::string file = slash == std::string::npos ? library : library.substr(slash + 1);
  return {{"handles-left", file + " left " + count + " open after ReleaseObj: " + text}};
}

}  // namespace host

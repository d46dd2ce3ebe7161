#include "interposer_recorder.h"

#include <windows.h>
#include <tlhelp32.h>

#include "generic/win_handles.h"

namespace winetest {
namespace {

bool ToolRuns() {
  basetdic::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
    if (lstrcmpiA(entry.szExeFile, "snetcfg.exe") == 0) return true;
  return false;
}

}  // namespace

using host::interposer::HandleKind;

void InterposerRecorder::Start() {
  interposer_.ClearCalls();
  interposer_.ClearFaults();
  firedAtStart_ = interposer_.FaultsFired();
}

std::vector<sweep::RecordedCall> InterposerRecorder::Calls() const {
  std::vector<sweep::RecordedCall> calls;
  for (const host::interposer::Call& call : interposer_.Calls())
    calls.push_back({call.function, call.arguments, call.error});
  return calls;
}

bool InterposerRecorder::FailNthCallOf(const std::string& function, unsigned n, DWORD error) {
  return interposer_.FailNthCallOf(function, n, error);
}

unsigned InterposerRecorder::FaultsFired() const { return interposer_.FaultsFired() - firedAtStart_; }

sweep::HandleCounts InterposerRecorder::OpenHandles() const {
  sweep::HandleCounts counts;
  const host::interposer::HandleCounts open = interposer_.OpenHandleCounts();
  for (size_t kind = 0; kind < open.size(); ++kind)
    counts[host::interposer::HandleKindName(static_cast<HandleKind>(kind))] = open[kind];
  return counts;
}

void InterposerRecorder::SettleLaunchedPrograms() {
  for (int waited = 0; waited < 200 && ToolRuns(); ++waited) Sleep(50);
}

std::shared_ptr<void> InterposerRecorder::Quiet() {
  return std::make_shared<host::interposer::Interposer::Quiet>(interposer_);
}

}  // namespace winetest

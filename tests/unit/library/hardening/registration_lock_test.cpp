// The named mutex that serialises the shared TDI driver's reference count between setup programs: which
// name each Windows gets, what the lock covers, and how acquire and release go on when it cannot be had.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardening_machine.h"
#include "generic/held_mutex.h"
#include "winsim/registry.h"
#include "winsim/sync.h"

namespace hardening {
namespace {

const char kGlobalName[] = "Global\\BaseTdiC.BaseTDI";
const char kPlainName[] = "BaseTdiC.BaseTDI";

// Index of the first logged call of function (whose arguments contain text), or -1.
long FirstCall(const std::string& function, const std::string& text = "") {
  const std::vector<winsim::CallRecord>& log = winsim::CallLog();
  for (size_t i = 0; i < log.size(); ++i)
    if (log[i].function == function && log[i].arguments.find(text) != std::string::npos) return static_cast<long>(i);
  return -1;
}

long LastCall(const std::string& function) {
  const std::vector<winsim::CallRecord>& log = winsim::CallLog();
  for (size_t i = log.size(); i-- > 0;)
    if (log[i].function == function) return static_cast<long>(i);
  return -1;
}

void RunOperation(const char* operation) {
  ModuleObj* object = NewModule("FwBaseNt");
  winsim::ClearCallLog();
  std::string op = operation;
  if (op == "install") TableOf(object).InstallDriver(object);
  if (op == "update") TableOf(object).UpdateDriver(object);
  if (op == "remove") TableOf(object).RemoveDriver(object);
  Release(object);
}

TEST(HeldMutex, HoldsWaitsAndGivesBackKeepingTheLastError) {
  BootBareMachine(ConfigFor(winsim::OsWinXp()));
  {
    basetdic::HeldMutex lock;
    ASSERT_TRUE(lock.Open("Test.Mutex"));
    EXPECT_EQ(lock.Wait(10), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(lock.Held());
    EXPECT_TRUE(winsim::MutexOwned("Test.Mutex"));
    SetLastError(0xdeadbeef);
  }
  EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "giving the mutex back keeps the caller's error";
  EXPECT_FALSE(winsim::MutexExists("Test.Mutex"));
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Mutex), 0u);
}

TEST(HeldMutex, HeldElsewhereTimesOutAfterTheBoundedWaitAndHoldsNothing) {
  BootBareMachine(ConfigFor(winsim::OsWinXp()));
  winsim::HoldMutexElsewhere("Test.Mutex");
  ULONGLONG before = winsim::ClockMilliseconds();
  basetdic::HeldMutex lock;
  ASSERT_TRUE(lock.Open("Test.Mutex"));
  EXPECT_EQ(lock.Wait(10000), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(lock.Held());
  EXPECT_EQ(winsim::ClockMilliseconds() - before, 10000u);
  lock.Release();
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Mutex), 0u);
  EXPECT_TRUE(winsim::MutexOwned("Test.Mutex")) << "the other holder keeps it";
}

TEST(HeldMutex, AbandonedCountsAsHeld) {
  BootBareMachine(ConfigFor(winsim::OsWinXp()));
  winsim::HoldMutexElsewhere("Test.Mutex");
  basetdic::HeldMutex lock;
  ASSERT_TRUE(lock.Open("Test.Mutex"));
  winsim::AbandonMutexElsewhere("Test.Mutex");
  EXPECT_EQ(lock.Wait(0), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(lock.Held());
}

TEST(HeldMutex, WaitWithoutAnOpenedMutexFails) {
  BootBareMachine(ConfigFor(winsim::OsWinXp()));
  basetdic::HeldMutex lock;
  EXPECT_FALSE(lock.Open("Global\\Not\\A\\Name"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(lock.Wait(10), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(lock.Held());
}

// winsim's object namespace: prefixes from NT 5.0 on, none before.
TEST(MutexNames, GlobalPrefixExistsFromNt5AndIsRefusedOnNt4) {
  const struct {
    winsim::OsVersion os;
    bool prefixKnown;
  } rows[] = {{winsim::OsNt40(), false}, {winsim::OsWin2k(), true}, {winsim::OsWin7(), true}};
  for (const auto& row : rows) {
    BootBareMachine(ConfigFor(row.os));
    SetLastError(0xdeadbeef);
    HANDLE global = CreateMutexA(nullptr, FALSE, kGlobalName);
    EXPECT_EQ(global != nullptr, row.prefixKnown) << row.os.major;
    if (!row.prefixKnown) EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    HANDLE plain = CreateMutexA(nullptr, FALSE, kPlainName);
    ASSERT_NE(plain, nullptr);
    // One session: the prefixed and the plain name reach the same object.
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(row.prefixKnown ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS));
    if (global != nullptr) CloseHandle(global);
    CloseHandle(plain);
  }
}

class RegistrationLock : public ::testing::Test {
 protected:
  void SetUp() override { BootDeployMachine(ConfigFor(winsim::OsNt40())); }
};

TEST_F(RegistrationLock, Nt4TakesThePlainNameAndCoversCopyCountAndKeyButNotTheStart) {
  RunOperation("install");
  EXPECT_EQ(StoredCount(), 1);
  const std::vector<winsim::CallRecord>& log = winsim::CallLog();
  long global = FirstCall("CreateMutexA");
  ASSERT_GE(global, 0);
  EXPECT_EQ(log[global].arguments.find("\"Global\\BaseTdiC.BaseTDI\""), 0u) << log[global].arguments;
  EXPECT_NE(log[global].arguments.find("injected"), 0u);
  long plain = FirstCall("CreateMutexA", "\"BaseTdiC.BaseTDI\"");
  long waited = FirstCall("WaitForSingleObject", "10000");
  long copied = FirstCall("CopyFileA");
  long written = LastCall("RegSetValueExA");
  long released = FirstCall("ReleaseMutex");
  long started = FirstCall("CreateFileA", "baseTdi");
  ASSERT_GT(plain, global);
  EXPECT_LT(plain, waited);
  EXPECT_LT(waited, copied);
  EXPECT_LT(copied, written);
  EXPECT_LT(written, released);
  EXPECT_LT(released, started) << "the driver starts after the lock is given back";
  EXPECT_FALSE(winsim::MutexExists(kPlainName));
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

TEST_F(RegistrationLock, WindowsWithSessionsTakeTheGlobalName) {
  // Build 1381 (low 16 bits) on a Windows that knows the prefix: the TDI branch with one namespace per session.
  BootDeployMachine(ConfigFor(Nt(5, 0, 0x00010565)));
  RunOperation("install");
  EXPECT_EQ(StoredCount(), 1);
  ASSERT_GE(FirstCall("CreateMutexA"), 0);
  EXPECT_EQ(FirstCall("CreateMutexA", "\"BaseTdiC.BaseTDI\""), -1) << "one creation, with the prefix";
  EXPECT_GE(FirstCall("ReleaseMutex"), 0);
}

TEST_F(RegistrationLock, ReleaseHoldsTheLockOverCountAndDeletions) {
  winsim::CreateDevice("baseTdi");  // the driver is up, not loaded from the image the release deletes
  RunOperation("install");
  RunOperation("remove");
  EXPECT_FALSE(TdiKeyExists());
  EXPECT_FALSE(TdiDriverExists());
  long waited = FirstCall("WaitForSingleObject", "10000");
  long deletedFile = FirstCall("DeleteFileA");
  long released = FirstCall("ReleaseMutex");
  ASSERT_GE(waited, 0);
  EXPECT_LT(waited, FirstCall("RegOpenKeyExA"));
  EXPECT_LT(deletedFile, released);
}

TEST_F(RegistrationLock, HeldElsewhereBothOperationsGoOnAfterTheWaitAndSaySo) {
  SwitchTraceOn();
  winsim::HoldMutexElsewhere(kPlainName);
  ULONGLONG before = winsim::ClockMilliseconds();
  RunOperation("install");
  EXPECT_GE(winsim::ClockMilliseconds() - before, 10000u);
  EXPECT_EQ(StoredCount(), 1);
  RunOperation("update");
  EXPECT_EQ(StoredCount(), 2);
  RunOperation("remove");
  EXPECT_EQ(StoredCount(), 1);
  std::string trace = TraceText();
  EXPECT_NE(trace.find("BaseTDI acquire goes on without its lock, error 258\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("BaseTDI release goes on without its lock, error 258\n"), std::string::npos) << trace;
  EXPECT_EQ(winsim::OpenHandles(), 0u);
  EXPECT_TRUE(winsim::MutexOwned(kPlainName)) << "the other holder still has it";
}

TEST_F(RegistrationLock, AbandonedByItsLastOwnerCountsAsHeld) {
  SwitchTraceOn();
  winsim::HoldMutexElsewhere(kPlainName);
  ModuleObj* object = NewModule("FwBaseNt");
  // The other setup ends while this one's object exists but before it installs: the handle the
  // install opens keeps the abandoned mutex alive only from its own creation on, so abandon it through
  // a handle of the test's own.
  HANDLE keep = CreateMutexA(nullptr, FALSE, kPlainName);
  winsim::AbandonMutexElsewhere(kPlainName);
  ULONGLONG before = winsim::ClockMilliseconds();
  TableOf(object).InstallDriver(object);
  Release(object);
  CloseHandle(keep);
  EXPECT_EQ(winsim::ClockMilliseconds(), before) << "no wait";
  EXPECT_EQ(StoredCount(), 1);
  EXPECT_EQ(TraceText().find("without its lock"), std::string::npos);
  EXPECT_FALSE(winsim::MutexExists(kPlainName));
}

TEST_F(RegistrationLock, MutexThatCannotBeCreatedIsTracedAndTheCountStillMoves) {
  SwitchTraceOn();
  winsim::FailNthCallOf("CreateMutexA", 1, ERROR_ACCESS_DENIED);
  winsim::FailNthCallOf("CreateMutexA", 2, ERROR_ACCESS_DENIED);
  RunOperation("install");
  EXPECT_EQ(StoredCount(), 1);
  EXPECT_NE(TraceText().find("BaseTDI acquire goes on without its lock, error 5\n"), std::string::npos);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

TEST_F(RegistrationLock, FailedWaitIsTracedWithItsError) {
  SwitchTraceOn();
  RunOperation("install");
  ModuleObj* object = NewModule("FwBaseNt");
  winsim::FailNthCallOf("WaitForSingleObject", 1, ERROR_INVALID_HANDLE);
  TableOf(object).RemoveDriver(object);
  Release(object);
  EXPECT_FALSE(TdiKeyExists());
  EXPECT_NE(TraceText().find("BaseTDI release goes on without its lock, error 6\n"), std::string::npos);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

}  // namespace
}  // namespace hardening

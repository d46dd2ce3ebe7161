// --fail FUNCTION[#N][=ERROR] as the host reads it: the function in any case and as the library spells it,
// N from 1, ERROR a Windows error other than 0, the fitting error when none is named, and the mistakes
// refused with the function the user may have meant.
#include <gtest/gtest.h>

#include <string>

#include "cli/call_failure.h"

namespace {

TEST(CallFailureSpec, ReadsTheCallAndItsErrorAndRefusesWhatNamesNone) {
  struct Case {
    const char* given;
    bool read;
    const char* function;  // as kept; for a refusal, the function it may have meant ("" none)
    unsigned nth;
    DWORD error;
    bool fitting;
    const char* problem;  // part of what a refusal says
  };
  const Case cases[] = {
      {"CreateServiceA", true, "CreateServiceA", 1, ERROR_SERVICE_EXISTS, true, ""},
      {"createservicea#2", true, "CreateServiceA", 2, ERROR_SERVICE_EXISTS, true, ""},
      {"StartServiceA=1058", true, "StartServiceA", 1, 1058, false, ""},
      {"RegOpenKeyExA#3=0x5", true, "RegOpenKeyExA", 3, 5, false, ""},
      {"CopyFileA#100000=4294967295", true, "CopyFileA", 100000, 0xFFFFFFFFu, false, ""},
      {"CloseHandle", true, "CloseHandle", 1, ERROR_INVALID_HANDLE, true, ""},
      {"CreateServiceX=5", false, "CreateServiceA", 0, 0, false, "names CreateServiceX"},
      {"Sleep", false, "", 0, 0, false, "no function the library calls that can fail"},
      {"#2=5", false, "", 0, 0, false, "names no function"},
      {"CreateServiceA#0", false, "", 0, 0, false, "from 1 to 100000"},
      {"CreateServiceA#", false, "", 0, 0, false, "after #"},
      {"CreateServiceA#0x2", false, "", 0, 0, false, "after #"},
      {"CreateServiceA#100001", false, "", 0, 0, false, "after #"},
      {"CreateServiceA#1x", false, "", 0, 0, false, "after #"},
      {"CreateServiceA=0", false, "", 0, 0, false, "not 0"},
      {"CreateServiceA=", false, "", 0, 0, false, "after ="},
      {"CreateServiceA=-5", false, "", 0, 0, false, "after ="},
      {"CreateServiceA=5=6", false, "", 0, 0, false, "after ="},
      {"CreateServiceA=0x100000000", false, "", 0, 0, false, "after ="},
      {"CreateServiceA=99999999999", false, "", 0, 0, false, "after ="},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.given);
    host::CallFailure failure;
    std::string problem, nearest;
    ASSERT_EQ(host::ParseCallFailure(row.given, &failure, &problem, &nearest), row.read) << problem;
    if (!row.read) {
      EXPECT_NE(problem.find(row.problem), std::string::npos) << problem;
      EXPECT_EQ(nearest, row.function);
      continue;
    }
    EXPECT_EQ(failure.function, row.function);
    EXPECT_EQ(failure.nth, row.nth);
    EXPECT_EQ(failure.error, row.error);
    EXPECT_EQ(failure.fittingError, row.fitting);
    // What the host writes back reads as the same failure.
    host::CallFailure again;
    ASSERT_TRUE(host::ParseCallFailure(host::CallFailureText(failure), &again, &problem, &nearest)) << problem;
    EXPECT_EQ(again.function, failure.function);
    EXPECT_EQ(again.nth, failure.nth);
    EXPECT_EQ(again.error, failure.error);
    EXPECT_EQ(again.fittingError, failure.fittingError);
  }
}

}  // namespace

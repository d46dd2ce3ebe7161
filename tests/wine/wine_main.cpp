// Entry point of basetdic_wine_tests.exe. Prints the Windows version this process sees (the suite
// script chose it for the prefix) before the tests, so every log says which branch ran.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "scenario_platform.h"
#include "wine_library.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);

  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  GetVersionExA(&info);
  const std::vector<std::string> versions = scenarios::VersionsUnderTest();
  const winetest::LibraryExports& library = winetest::BasetdicLibrary();
  std::printf("Windows %s: version %lu.%lu build %lu platform %lu; library %s%s\n",
              versions.empty() ? "?" : versions.front().c_str(), info.dwMajorVersion, info.dwMinorVersion,
              info.dwBuildNumber, info.dwPlatformId, library.path.c_str(),
              library.interposer != nullptr ? ", through the interposer" : "");
  std::fflush(stdout);
  return RUN_ALL_TESTS();
}

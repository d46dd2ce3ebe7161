// CopyDriverFile: the skip-if-older rule and the three trace lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pe_image_writer.h"
#include "temp_machine.h"
#include "steps/copy_driver_file.h"
#include "winsim/modules.h"

namespace {

using basetdic::CopyDriverFile;
using namespace winsim::testsupport;

const char kSource[] = "C:\\setup\\zelbase.sys";
const char kDestination[] = "C:\\WINDOWS\\system32\\drivers\\zelbase.sys";
const char kTrace[] = "C:\\setup\\setup.exe.baseTdic.txt";

// Versioned driver stand-ins differ in their bytes, so the destination shows which one it holds.
std::string DriverImage(const char* fileVersion) {
  PeImageSpec spec = ImageWithVersion(SimpleVersionInfo(fileVersion), PeMachine::I386, PeKind::Driver);
  spec.overlay.assign(fileVersion, fileVersion + std::char_traits<char>::length(fileVersion));
  const auto bytes = BuildPeImage(spec);
  return std::string(bytes.begin(), bytes.end());
}

std::string Contents(const std::string& path) {
  std::string bytes;
  return winsim::ReadHostFile(path, &bytes) ? bytes : std::string("<missing>");
}

// The messages of the trace file, each as formatted (with its own "\n"), without the record's time
// prefix and line end.
std::vector<std::string> TraceMessages() {
  std::vector<std::string> messages;
  const std::string text = Contents(kTrace);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string record = text.substr(start, end - start);
    const size_t separator = record.find(" : ");
    messages.push_back(separator == std::string::npos ? record : record.substr(separator + 3));
    start = end + 2;
  }
  return messages;
}

class CopyDriverFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsim::WriteHostFile("C:\\WINDOWS\\zel.ini", "[DEBUG]\r\nZEL=1\r\n")); }
  void TearDown() override {
    const winsim::ModuleUsage usage = winsim::UsageOf("version.dll");
    EXPECT_EQ(usage.loads, usage.frees);
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }
  TempMachine machine{ConfigFor(winsim::OsWinXp())};
};

struct VersionCase {
  const char* source;       // FileVersion text, "" for a file without version resource
  const char* destination;  // FileVersion text, "" without version resource, nullptr for no file
  int checkVersion;
  bool copied;
};

TEST_F(CopyDriverFileTest, SkipsOnlyWhenBothVersionsAreKnownAndTheSourceIsLower) {
  const VersionCase cases[] = {
      {"7, 0, 0, 25", "7, 0, 0, 26", 1, false},
      {"5.1.2600.0", "5.12.0.0", 1, false},
      {"7, 0, 0, 26", "7, 0, 0, 26", 1, true},  // equal
      {"7, 0, 0, 27", "7, 0, 0, 26", 1, true},  // newer
      {"", "7, 0, 0, 26", 1, true},             // source without version
      {"7, 0, 0, 25", "", 1, true},             // destination without version
      {"7, 0, 0, 25", "abc", 1, true},          // destination's text packs to 0
      {"7, 0, 0, 25", nullptr, 1, true},        // no destination
      {"7, 0, 0, 25", "7, 0, 0, 26", 0, true},  // no check asked
      {"1.0.0.0", "1.0.0.0", 0, true},
  };
  for (const VersionCase& row : cases) {
    SCOPED_TRACE(std::string(row.source) + " over " + (row.destination ? row.destination : "(none)"));
    TempMachine fresh{ConfigFor(winsim::OsWinXp())};
    ASSERT_TRUE(winsim::WriteHostFile("C:\\WINDOWS\\zel.ini", "[DEBUG]\r\nZEL=1\r\n"));
    const std::string source = *row.source ? DriverImage(row.source) : std::string("plain source bytes");
    ASSERT_TRUE(winsim::WriteHostFile(kSource, source));
    std::string destination;
    if (row.destination) {
      destination = *row.destination ? DriverImage(row.destination) : std::string("plain installed bytes");
      ASSERT_TRUE(winsim::WriteHostFile(kDestination, destination));
    }
    winsim::ClearCallLog();

    EXPECT_EQ(CopyDriverFile(kSource, kDestination, row.checkVersion), 1);
    EXPECT_EQ(Contents(kDestination), row.copied ? source : destination);
    std::vector<std::string> expected = {std::string("CopyFile, SrcPath:") + kSource + ", DstPath:" + kDestination +
                                         "\n"};
    expected.push_back(row.copied ? "Copyfile, ret:1, errcode:0\n" : "CopyFile, Need not copy!\n");
    EXPECT_EQ(TraceMessages(), expected);

    // The versions are read source first, then destination, and only when asked.
    std::vector<std::string> versionReads;
    for (const winsim::CallRecord& call : winsim::CallLog())
      if (call.function == "GetFileVersionInfoSizeA") versionReads.push_back(call.arguments);
    if (row.checkVersion) {
      ASSERT_EQ(versionReads.size(), 2u);
      EXPECT_EQ(versionReads[0], std::string("\"") + kSource + "\"");
      EXPECT_EQ(versionReads[1], std::string("\"") + kDestination + "\"");
    } else {
      EXPECT_TRUE(versionReads.empty());
    }
  }
}

TEST_F(CopyDriverFileTest, AFailedCopyReportsItsErrorInTheTrace) {
  EXPECT_EQ(CopyDriverFile("C:\\setup\\missing.sys", kDestination, 1), 0);
  EXPECT_EQ(TraceMessages(),
            (std::vector<std::string>{
                "CopyFile, SrcPath:C:\\setup\\missing.sys, DstPath:" + std::string(kDestination) + "\n",
                "Copyfile, ret:0, errcode:2\n",
            }));
  EXPECT_FALSE(winsim::HostFileExists(kDestination));
}

TEST_F(CopyDriverFileTest, AnInstalledFileHeldOpenIsNotReplaced) {
  ASSERT_TRUE(winsim::WriteHostFile(kSource, DriverImage("7, 0, 0, 27")));
  ASSERT_TRUE(winsim::WriteHostFile(kDestination, DriverImage("7, 0, 0, 26")));
  HANDLE held = CreateFileA(kDestination, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CopyDriverFile(kSource, kDestination, 1), 0);
  EXPECT_EQ(TraceMessages().at(1), "Copyfile, ret:0, errcode:32\n");
  CloseHandle(held);
}

}  // namespace

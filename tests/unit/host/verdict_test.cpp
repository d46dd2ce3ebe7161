// basetdic-host's verdict on the simulated machine: for each operation, and for status, a machine damaged
// one way from outside, and the notice code, the exit code and the words the run must end with (the rows
// are in scenarios/verdict_cases.h, which the Wine harness walks too). Then a folder that holds no
// machine: only machine init, and the default folder on its first use, make one.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "pe_image_writer.h"
#include "scenarios/verdict_cases.h"
#include "support/temp_folder.h"

#ifdef BASETDIC_HOST_PATH

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using verdict_cases::Damage;
using verdict_cases::Harm;
using verdict_cases::VerdictCase;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// 1536 bytes with no image header, the same every time.
std::string Garbage() {
  std::string bytes(1536, '\0');
  unsigned state = 19;
  for (char& byte : bytes) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  bytes[0] = 'Z';
  return bytes;
}

class VerdictTest : public ::testing::Test {
 protected:
  // One run of the host on this test's machine; its exit code, and stdout.
  int Host(const std::string& arguments, std::string* out = nullptr, const std::string& machine = "machine") {
    fs::path stdoutFile = dir_ / "stdout";
    std::string command = std::string("'") + BASETDIC_HOST_PATH + "' --machine '" + (dir_ / machine).string() + "' " +
                          arguments + " >'" + stdoutFile.string() + "' 2>'" + (dir_ / "stderr").string() + "'";
    int status = std::system(command.c_str());
    if (out != nullptr) *out = ReadFile(stdoutFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A Windows path of drive C: on the machine, as a path on this host.
  fs::path OnDrive(const std::string& windowsPath) const {
    std::string rest = windowsPath.substr(3);
    for (char& c : rest) c = c == '\\' ? '/' : c;
    return dir_ / "machine" / "drives" / "C" / rest;
  }

  // Edits the machine's registry.reg: the value line of key (below HKLM) replaced by line, or removed when
  // line is empty; a key that is not there is added.
  void EditValue(const std::string& key, const std::string& value, const std::string& line) {
    fs::path reg = dir_ / "machine" / "registry.reg";
    std::string text = ReadFile(reg);
    size_t section = text.find("[HKEY_LOCAL_MACHINE\\" + key + "]\n");
    ASSERT_NE(section, std::string::npos) << key;
    size_t at = text.find("\n\"" + value + "\"=", section);
    ASSERT_NE(at, std::string::npos) << value;
    ASSERT_LT(at, text.find("\n\n", section)) << value << " is not in " << key;
    text.replace(at + 1, text.find('\n', at + 1) - at, line.empty() ? "" : line + "\n");
    WriteFile(reg, text);
  }

  void Apply(const Harm& harm) {
    switch (harm.damage) {
      case Damage::None: return;
      case Damage::DeleteFile: ASSERT_TRUE(fs::remove(OnDrive(harm.path))) << harm.path; return;
      case Damage::GarbageFile: WriteFile(OnDrive(harm.path), Garbage()); return;
      case Damage::NewerImage:
        WriteFile(OnDrive(harm.path), winsim::testsupport::VersionedImageBytes(harm.text));
        return;
      case Damage::DeleteValue: EditValue(harm.path, harm.value, ""); return;
      case Damage::SetDword: {
        char line[64];
        snprintf(line, sizeof line, "\"%s\"=dword:%08x", harm.value, harm.number);
        EditValue(harm.path, harm.value, line);
        return;
      }
      case Damage::AddKey: {
        fs::path reg = dir_ / "machine" / "registry.reg";
        WriteFile(reg, ReadFile(reg) + "[HKEY_LOCAL_MACHINE\\" + harm.path + "]\n\n");
        return;
      }
    }
  }

  void RunBefore(const std::string& commands) {
    std::istringstream words(commands);
    std::string command;
    while (words >> command) Host(command);
  }

  // Each row on a fresh machine: init, the damage and the commands before in the row's order, then its
  // command, whose verdict must be the row's.
  void Walk(const VerdictCase* first, const VerdictCase* last) {
    for (const VerdictCase* row = first; row != last; ++row) {
      SCOPED_TRACE(std::string(row->command) + ": " + row->name);
      ASSERT_EQ(Host(std::string("machine init --force --os ") + row->os), 0);
      if (row->harmFirst) Apply(row->harm);
      RunBefore(row->before);
      if (!row->harmFirst) Apply(row->harm);
      std::string out;
      EXPECT_EQ(Host(std::string(row->command) + " --json", &out), row->exitCode) << out;
      json document = json::parse(out, nullptr, false);
      ASSERT_FALSE(document.is_discarded()) << out;
      const json& verdict = document["verdict"];
      EXPECT_EQ(verdict["exitCode"], row->exitCode);
      if (*row->code == 0) {
        EXPECT_TRUE(verdict["notices"].empty()) << verdict.dump(1);
      } else {
        ASSERT_FALSE(verdict["notices"].empty()) << verdict.dump(1);
        EXPECT_EQ(verdict["notices"][0]["code"], row->code) << verdict.dump(1);
      }
      EXPECT_NE(verdict["summary"].get<std::string>().find(row->says), std::string::npos) << verdict.dump(1);
    }
  }

  testsupport::TempFolder temp_{"host-verdict"};
  const fs::path dir_ = temp_.path();
};

template <size_t N>
const VerdictCase* End(const VerdictCase (&rows)[N]) {
  return rows + N;
}

TEST_F(VerdictTest, Install) { Walk(verdict_cases::kInstallCases, End(verdict_cases::kInstallCases)); }
TEST_F(VerdictTest, Start) { Walk(verdict_cases::kStartCases, End(verdict_cases::kStartCases)); }
TEST_F(VerdictTest, Update) { Walk(verdict_cases::kUpdateCases, End(verdict_cases::kUpdateCases)); }
TEST_F(VerdictTest, Remove) { Walk(verdict_cases::kRemoveCases, End(verdict_cases::kRemoveCases)); }
TEST_F(VerdictTest, Status) { Walk(verdict_cases::kStatusCases, End(verdict_cases::kStatusCases)); }

// The run's text ends with the verdict, and a step the gate stopped is named as doing nothing, not as a
// result 1: the Windows 98 cycle.
TEST_F(VerdictTest, TextSaysWhatDidNothing) {
  ASSERT_EQ(Host("machine init --os win9x"), 0);
  std::string out;
  EXPECT_EQ(Host("cycle", &out), 3);
  EXPECT_NE(out.find("install, update and remove did nothing [not-nt]"), std::string::npos) << out;
  EXPECT_EQ(out.find("operations reported result 1"), std::string::npos) << out;
}

// Only machine init, and the default folder on its first use, make a machine.
TEST_F(VerdictTest, FolderWithoutMachineIsNotMadeOne) {
  for (const char* command : {"machine show", "install", "status", "explain"}) {
    SCOPED_TRACE(command);
    EXPECT_EQ(Host(command, nullptr, "m-typo"), 2);
    EXPECT_EQ(ReadFile(dir_ / "stderr"), "basetdic-host: no machine in " + (dir_ / "m-typo").string() +
                                             ": make one with `machine init --os VERSION`\n");
    EXPECT_FALSE(fs::exists(dir_ / "m-typo"));
  }
  const std::string host = std::string("cd '") + dir_.string() + "' && '" + BASETDIC_HOST_PATH + "' ";
  ASSERT_EQ(std::system((host + "status >'" + (dir_ / "stdout").string() + "'").c_str()), 0);
  EXPECT_NE(ReadFile(dir_ / "stdout").find("a new Windows XP machine was created"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir_ / "basetdic-machine" / "machine.json"));
}

}  // namespace

#endif

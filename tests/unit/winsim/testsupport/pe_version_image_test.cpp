// The test-support PE writer, checked by parsers that share no code with it: Debian's python3-pefile
// (through tests/unit/winsim/testsupport/pe_version_dump.py) and binutils' windres, which decompiles the resource.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "pe_image_writer.h"

namespace {

using namespace winsim::testsupport;
using Json = nlohmann::json;
using StringTables = std::map<std::string, std::map<std::string, std::string>>;

const std::filesystem::path kDumpScript =
    std::filesystem::path(BASETDIC_TEST_SOURCE_DIR) / "unit" / "winsim" / "testsupport" / "pe_version_dump.py";

class PeVersionImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "pe_version_image-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }

  // Writes the image and returns what the independent parsers make of it.
  Json Dump(const std::vector<uint8_t>& image, const std::string& name) {
    const auto path = dir_ / name;
    EXPECT_TRUE(WriteHostFile(path.string(), image));
    const std::string command = "/usr/bin/python3 '" + kDumpScript.string() + "' '" + path.string() + "' 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      std::array<char, 4096> chunk;
      size_t n;
      while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), n);
      EXPECT_EQ(pclose(pipe), 0) << output;
    }
    Json parsed = Json::parse(output, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "pe_version_dump.py said: " << output;
    return parsed;
  }

  std::filesystem::path dir_;
};

StringTables ExpectedTables(const VersionInfoSpec& spec) {
  StringTables tables;
  for (const VersionStringTable& t : spec.stringTables) {
    char key[9];
    std::snprintf(key, sizeof key, "%04x%04x", t.language, t.codePage);
    auto& entries = tables[t.keyOverride.empty() ? key : t.keyOverride];
    for (const auto& [k, v] : t.strings) entries[k] = v;
  }
  return tables;
}

Json ExpectedPairs(const VersionInfoSpec& spec) {
  Json pairs = Json::array();
  for (const auto& [lang, cp] : spec.translations) pairs.push_back({lang, cp});
  return pairs;
}

void ExpectSameVersionInfo(const Json& dump, const VersionInfoSpec& spec) {
  const auto& v = spec.fileVersion;
  const auto& p = spec.productVersion;
  EXPECT_EQ(dump["fixed"], Json({(v.major << 16) | v.minor, (v.build << 16) | v.revision, (p.major << 16) | p.minor,
                                 (p.build << 16) | p.revision}));
  EXPECT_EQ(dump["translations"], ExpectedPairs(spec)) << "pefile";
  EXPECT_EQ(dump["windres_translations"], ExpectedPairs(spec)) << "windres";
  const StringTables expected = ExpectedTables(spec);
  EXPECT_EQ(dump["windres_string_tables"].get<StringTables>(), expected) << "windres";
  // pefile gives up after the first table when the next one is short; what it reports must agree.
  const auto pefileTables = dump["string_tables"].get<StringTables>();
  if (!expected.empty()) {
    EXPECT_FALSE(pefileTables.empty());
  }
  for (const auto& [key, entries] : pefileTables) {
    ASSERT_TRUE(expected.count(key)) << key;
    EXPECT_EQ(entries, expected.at(key)) << key;
  }
}

TEST_F(PeVersionImageTest, HeadersMatchMachineAndKind) {
  struct Row {
    PeMachine machine;
    PeKind kind;
    bool withCode;
    int machineId;
    int magic;
    bool dll;
  };
  const Row rows[] = {
      {PeMachine::I386, PeKind::Dll, false, 0x14C, 0x10B, true},
      {PeMachine::I386, PeKind::Exe, true, 0x14C, 0x10B, false},
      {PeMachine::I386, PeKind::Driver, true, 0x14C, 0x10B, false},
      {PeMachine::Amd64, PeKind::Dll, true, 0x8664, 0x20B, true},
      {PeMachine::Amd64, PeKind::Exe, false, 0x8664, 0x20B, false},
      {PeMachine::Amd64, PeKind::Driver, true, 0x8664, 0x20B, false},
  };
  const VersionInfoSpec version = SimpleVersionInfo("5.1.2600.0");
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(index);
    PeImageSpec spec = ImageWithVersion(version, row.machine, row.kind);
    spec.withCode = row.withCode;
    Json dump = Dump(BuildPeImage(spec), "image" + std::to_string(index++) + ".bin");
    EXPECT_EQ(dump["machine"], row.machineId);
    EXPECT_EQ(dump["magic"], row.magic);
    EXPECT_EQ(dump["dll"], row.dll);
    EXPECT_EQ(dump["fixed"], Json({0x00050001, 0x0A280000, 0x00050001, 0x0A280000}));
    ExpectSameVersionInfo(dump, version);
  }
}

TEST_F(PeVersionImageTest, TranslationTableNeedNotMatchTheStringTables) {
  VersionInfoSpec spec;
  spec.fileVersion = {7, 0, 0, 26};
  spec.productVersion = {7, 1, 2, 3};
  // The first pair has no table of its own (language 0x8000), the second table lacks FileVersion,
  // the third pair has no table at all, and one table is listed in no pair.
  spec.stringTables = {
      {0x0409, 0x04E4, {{"FileVersion", "7, 0, 0, 26"}, {"ProductName", "Stand-in"}}, {}},
      {0x0407, 0x04B0, {{"CompanyName", "Z\xC3\xBCrich"}}, {}},
      {0x0C0A, 0x04E4, {{"FileVersion", "9.9"}}, "0C0A04E4"},
  };
  spec.translations = {{0x8000, 0x0000}, {0x0407, 0x04B0}, {0x0411, 0x03A4}, {0xFFFF, 0xFFFF}};
  ExpectSameVersionInfo(Dump(BuildPeImage(ImageWithVersion(spec)), "mixed.dll"), spec);
}

TEST_F(PeVersionImageTest, OptionalBlocksMayBeLeftOut) {
  VersionInfoSpec noStrings = SimpleVersionInfo("1.0.0.0");
  noStrings.stringTables.clear();
  Json dump = Dump(BuildPeImage(ImageWithVersion(noStrings)), "nostrings.dll");
  EXPECT_TRUE(dump["string_tables"].empty());
  EXPECT_EQ(dump["translations"], Json({{0x0409, 0x04E4}}));

  VersionInfoSpec noTranslation = SimpleVersionInfo("1.0.0.0");
  noTranslation.withVarFileInfo = false;
  dump = Dump(BuildPeImage(ImageWithVersion(noTranslation)), "notranslation.dll");
  EXPECT_TRUE(dump["translations"].empty());
  EXPECT_EQ(dump["windres_string_tables"].get<StringTables>(), ExpectedTables(noTranslation));
}

TEST_F(PeVersionImageTest, PaddingAndOverlayKeepTheImageReadable) {
  const VersionInfoSpec version = SimpleVersionInfo("3.0 (build 7)");
  PeImageSpec spec = ImageWithVersion(version, PeMachine::Amd64, PeKind::Driver);
  spec.withCode = true;
  spec.overlay = {'O', 'V', 'E', 'R', 'L', 'A', 'Y'};
  spec.minimumSize = 20000;
  const auto image = BuildPeImage(spec);
  ASSERT_EQ(image.size(), 20000u);
  const auto plain = BuildPeImage(ImageWithVersion(version, PeMachine::Amd64, PeKind::Driver));
  const std::string bytes(image.begin(), image.end());
  EXPECT_NE(bytes.find("OVERLAY"), std::string::npos);
  EXPECT_GE(bytes.find("OVERLAY"), plain.size()) << "the overlay follows the sections";
  ExpectSameVersionInfo(Dump(image, "padded.sys"), version);
}

TEST_F(PeVersionImageTest, NoVersionResourceMeansNoVersionInfo) {
  PeImageSpec spec;
  spec.withCode = true;
  Json dump = Dump(BuildPeImage(spec), "plain.exe");
  EXPECT_TRUE(dump["fixed"].is_null());
  EXPECT_TRUE(dump["string_tables"].empty());
}

}  // namespace

// The version-resource reader over images from the test-support writer and over hand-made and
// damaged bytes. Expected values were taken from Wine 8.0's version.dll reading the same images.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

// The reader is winsim-internal; its header lives beside its source.
#include "../../../../winsim/src/version_resource.h"
#include "pe_image_writer.h"

namespace {

using winsim::detail::CopyVersionInfoBlock;
using winsim::detail::FindVersionResource;
using winsim::detail::QueryVersionValueA;
using winsim::detail::VersionInfoBlockSize;
using winsim::detail::VersionQueryResult;
using namespace winsim::testsupport;

constexpr uint8_t kFiller = 0xCC;

VersionInfoSpec TwoTableSpec() {
  VersionInfoSpec spec = SimpleVersionInfo("7, 0, 0, 26");
  spec.stringTables[0].strings.push_back({"Empty", ""});
  spec.stringTables.push_back(
      {0x0407, 0x04B0, {{"CompanyName", "Z\xC3\xBCrich \xC2\xA9"}, {"FileVersion", "1.2"}}, {}});
  spec.translations.push_back({0x8000, 0});
  spec.translations.push_back({0x0407, 0x04B0});
  return spec;
}

// A block filled the way a caller of the version functions fills it: the reported size, filler
// bytes first, and a tail of filler after it that nothing may touch.
struct FilledBlock {
  std::vector<uint8_t> bytes;
  size_t size = 0;
  uint8_t* data() { return bytes.data(); }
  bool TailUntouched() const {
    for (size_t i = size; i < bytes.size(); ++i)
      if (bytes[i] != kFiller) return false;
    return true;
  }
};

FilledBlock ReadBlock(const std::vector<uint8_t>& image) {
  FilledBlock block;
  auto span = FindVersionResource(image.data(), image.size());
  if (!span) return block;
  block.size = VersionInfoBlockSize(span->size);
  block.bytes.assign(block.size + 64, kFiller);
  CopyVersionInfoBlock(image.data(), image.size(), *span, block.data(), block.size);
  return block;
}

uint16_t TreeLength(const FilledBlock& block) { return static_cast<uint16_t>(block.bytes[0] | (block.bytes[1] << 8)); }

size_t FindWide(const FilledBlock& block, const std::string& ascii) {
  std::vector<uint8_t> wide;
  for (char c : ascii) wide.push_back(static_cast<uint8_t>(c)), wide.push_back(0);
  auto at = std::search(block.bytes.begin(), block.bytes.begin() + TreeLength(block), wide.begin(), wide.end());
  return static_cast<size_t>(at - block.bytes.begin());
}

TEST(VersionResourceBlock, SizeIsTwiceTheResourcePlusFour) {
  auto image = BuildPeImage(ImageWithVersion(TwoTableSpec()));
  auto span = FindVersionResource(image.data(), image.size());
  ASSERT_TRUE(span);
  const auto tree = BuildVersionInfo(TwoTableSpec());
  EXPECT_EQ(span->size, tree.size());
  EXPECT_EQ(0, std::memcmp(image.data() + span->fileOffset, tree.data(), tree.size()));
  EXPECT_EQ(VersionInfoBlockSize(span->size), 2 * tree.size() + 4);
  EXPECT_EQ(VersionInfoBlockSize(0x80000000u), 4u);  // 32-bit arithmetic, as the API computes it
}

TEST(VersionResourceBlock, CopyMarksTheEndOfTheTreeAndStaysInsideTheBlock) {
  auto image = BuildPeImage(ImageWithVersion(TwoTableSpec()));
  FilledBlock block = ReadBlock(image);
  ASSERT_GT(block.size, 0u);
  const uint16_t tree = TreeLength(block);
  EXPECT_EQ(0, std::memcmp(block.data() + tree, "FE2X", 4));
  EXPECT_EQ(block.bytes[tree + 4], kFiller) << "bytes after the signature are the caller's";
  EXPECT_TRUE(block.TailUntouched());

  // A block too small for the whole resource takes what fits and no signature.
  auto span = FindVersionResource(image.data(), image.size());
  std::vector<uint8_t> small(40 + 8, kFiller);
  CopyVersionInfoBlock(image.data(), image.size(), *span, small.data(), 40);
  EXPECT_EQ(0, std::memcmp(small.data(), image.data() + span->fileOffset, 40));
  for (size_t i = 40; i < small.size(); ++i) EXPECT_EQ(small[i], kFiller) << i;
}

struct QueryCase {
  const char* path;
  bool found;
  uint32_t length;
  const char* text;  // expected ANSI text for string values, nullptr for binary or failures
  uint32_t lastError;
};

// Rows as Wine 8.0 answers them for TwoTableSpec's image.
const QueryCase kQueries[] = {
    {"\\", true, 52, nullptr, 0},
    {"", true, 52, nullptr, 0},
    {nullptr, true, 52, nullptr, 0},
    {"\\VarFileInfo\\Translation", true, 12, nullptr, 0},
    {"\\varfileinfo\\TRANSLATION", true, 12, nullptr, 0},
    {"\\\\VarFileInfo\\\\Translation\\", true, 12, nullptr, 0},
    {"\\StringFileInfo\\040904e4\\FileVersion", true, 12, "7, 0, 0, 26", 0},
    {"\\StringFileInfo\\040904E4\\fileversion", true, 12, "7, 0, 0, 26", 0},
    {"StringFileInfo\\040904e4\\FileVersion", true, 12, "7, 0, 0, 26", 0},
    {"\\StringFileInfo\\040904e4\\Empty", true, 1, "", 0},
    {"\\StringFileInfo\\040704b0\\CompanyName", true, 9, "Z\xFCrich \xA9", 0},
    {"\\StringFileInfo\\040704b0\\FileVersion", true, 4, "1.2", 0},
    // Blocks are text nodes without a value: found, nothing converted.
    {"\\StringFileInfo", true, 0, nullptr, 87},
    {"\\StringFileInfo\\040904e4", true, 0, nullptr, 87},
    {"\\VarFileInfo", true, 0, nullptr, 87},
    // Rows that must not match: prefixes, extra components, tables that do not exist.
    {"String", false, 0, nullptr, 1813},
    {"\\StringFileInfo\\040904e4\\FileVersio", false, 0, nullptr, 1813},
    {"\\StringFileInfo\\040904e4\\FileVersionX", false, 0, nullptr, 1813},
    {"\\StringFileInfo\\040904e4\\FileVersion\\x", false, 0, nullptr, 1813},
    {"\\StringFileInfo\\80000000\\FileVersion", false, 0, nullptr, 1813},
    {"\\StringFileInfo\\040704b0\\Empty", false, 0, nullptr, 1813},
    {"\\VS_VERSION_INFO", false, 0, nullptr, 1813},
};

TEST(VersionResourceQuery, AnswersLikeTheVersionFunctions) {
  for (PeMachine machine : {PeMachine::I386, PeMachine::Amd64}) {
    FilledBlock block = ReadBlock(BuildPeImage(ImageWithVersion(TwoTableSpec(), machine)));
    ASSERT_GT(block.size, 0u);
    for (const QueryCase& row : kQueries) {
      SCOPED_TRACE(row.path ? row.path : "(null)");
      VersionQueryResult r = QueryVersionValueA(block.data(), block.size, row.path);
      EXPECT_EQ(r.found, row.found);
      EXPECT_EQ(r.length, row.length);
      EXPECT_EQ(r.lastError, row.lastError);
      if (!row.found) {
        EXPECT_EQ(r.value, nullptr);
      }
      if (row.text) {
        EXPECT_STREQ(static_cast<const char*>(r.value), row.text);
      }
    }
    EXPECT_TRUE(block.TailUntouched());
  }
}

TEST(VersionResourceQuery, ValuesPointWhereTheVersionFunctionsPutThem) {
  FilledBlock block = ReadBlock(BuildPeImage(ImageWithVersion(TwoTableSpec())));
  const uint16_t tree = TreeLength(block);

  // Binary values stay in place: the fixed info right after the root's key, the pairs in the tree.
  VersionQueryResult fixed = QueryVersionValueA(block.data(), block.size, "\\");
  EXPECT_EQ(fixed.value, block.data() + 40);
  EXPECT_EQ(0xFEEF04BDu, *static_cast<const uint32_t*>(fixed.value));
  VersionQueryResult pairs = QueryVersionValueA(block.data(), block.size, "\\VarFileInfo\\Translation");
  const uint16_t* words = static_cast<const uint16_t*>(pairs.value);
  EXPECT_EQ(words[0], 0x0409);
  EXPECT_EQ(words[1], 0x04E4);
  EXPECT_EQ(words[2], 0x8000);
  EXPECT_EQ(words[3], 0x0000);
  EXPECT_EQ(words[4], 0x0407);
  EXPECT_EQ(words[5], 0x04B0);

  // Text is converted into the second half, at the value's own offset past the tree and "FE2X".
  VersionQueryResult text = QueryVersionValueA(block.data(), block.size, "\\StringFileInfo\\040904e4\\FileVersion");
  EXPECT_EQ(text.value, block.data() + tree + 4 + FindWide(block, "7, 0, 0, 26"));

  // Asking twice gives the same answer; the conversion does not disturb the tree.
  VersionQueryResult again = QueryVersionValueA(block.data(), block.size, "\\StringFileInfo\\040904e4\\FileVersion");
  EXPECT_EQ(again.value, text.value);
  EXPECT_EQ(again.length, text.length);
}

TEST(VersionResourceQuery, CharactersOutsideCodePage1252BecomeQuestionMarks) {
  VersionInfoSpec spec = SimpleVersionInfo("1.0");
  spec.stringTables[0].strings.push_back({"Mixed", "\xE2\x82\xAC \xCE\xB3 \xC5\xA0"});  // euro, gamma, S-caron
  FilledBlock block = ReadBlock(BuildPeImage(ImageWithVersion(spec)));
  VersionQueryResult r = QueryVersionValueA(block.data(), block.size, "\\StringFileInfo\\040904e4\\Mixed");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.length, 6u);
  EXPECT_STREQ(static_cast<const char*>(r.value), "\x80 ? \x8A");
}

struct LanguageCase {
  std::vector<uint16_t> languages;  // one resource per language; each says its own id as FileVersion
  const char* chosen;
};

TEST(VersionResourceLookup, PrefersNeutralThenUsEnglishThenEnglishThenTheFirstEntry) {
  const LanguageCase cases[] = {
      {{0x0409}, "1033"},         {{0x0407, 0x040C, 0x0409}, "1033"}, {{0x0409, 0x0000}, "0"},
      {{0x040C, 0x0009}, "9"},    {{0x040C, 0x0407}, "1031"},  // the directory is sorted, so its first entry is the
                                                               // lowest id
      {{0x0809, 0x0C09}, "2057"},                              // other English variants are not preferred
  };
  for (const LanguageCase& row : cases) {
    PeImageSpec image;
    for (uint16_t lang : row.languages)
      image.versionResources.push_back({lang, BuildVersionInfo(SimpleVersionInfo(std::to_string(lang)))});
    FilledBlock block = ReadBlock(BuildPeImage(image));
    VersionQueryResult r = QueryVersionValueA(block.data(), block.size, "\\StringFileInfo\\040904e4\\FileVersion");
    ASSERT_TRUE(r.found) << row.chosen;
    EXPECT_STREQ(static_cast<const char*>(r.value), row.chosen);
  }
}

TEST(VersionResourceLookup, FindsNothingInFilesWithoutAVersionResource) {
  PeImageSpec noResources;
  noResources.withCode = true;
  const auto image = BuildPeImage(ImageWithVersion(TwoTableSpec()));
  const std::vector<std::vector<uint8_t>> files = {
      {},
      {'M', 'Z'},
      std::vector<uint8_t>(image.begin(), image.begin() + 64),     // DOS header only
      std::vector<uint8_t>(image.begin(), image.begin() + 0x200),  // headers only
      std::vector<uint8_t>(image.begin(), image.begin() + 900),    // resource section cut short
      BuildPeImage(noResources),
      std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'},
  };
  for (size_t i = 0; i < files.size(); ++i)
    EXPECT_FALSE(FindVersionResource(files[i].data(), files[i].size())) << "file " << i;
  EXPECT_FALSE(FindVersionResource(nullptr, 100));
}

// A 16-bit tree (ANSI keys, no type word) as NE files carry it: values come back in place.
TEST(VersionResourceQuery, ReadsSixteenBitTreesInPlace) {
  auto node = [](const std::string& key, const std::vector<uint8_t>& value, const std::vector<uint8_t>& children) {
    std::vector<uint8_t> b(4);
    for (char c : key) b.push_back(static_cast<uint8_t>(c));
    b.push_back(0);
    while (b.size() % 4) b.push_back(0);
    for (uint8_t byte : value) b.push_back(byte);
    while (b.size() % 4) b.push_back(0);
    for (uint8_t byte : children) b.push_back(byte);
    b[0] = static_cast<uint8_t>(b.size()), b[1] = static_cast<uint8_t>(b.size() >> 8);
    b[2] = static_cast<uint8_t>(value.size()), b[3] = 0;
    return b;
  };
  std::vector<uint8_t> fixed = {0xBD, 0x04, 0xEF, 0xFE};
  fixed.resize(52);
  auto tree = node("VS_VERSION_INFO", fixed,
                   node("StringFileInfo", {}, node("040904E4", {}, node("FileVersion", {'1', '.', '2', 0}, {}))));
  tree.resize(tree.size() * 2 + 4, kFiller);
  VersionQueryResult r = QueryVersionValueA(tree.data(), tree.size(), "\\stringfileinfo\\040904e4\\FILEVERSION");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.length, 4u);
  EXPECT_STREQ(static_cast<const char*>(r.value), "1.2");
  EXPECT_LT(static_cast<uint8_t*>(r.value), tree.data() + tree.size() / 2);
  EXPECT_FALSE(QueryVersionValueA(tree.data(), tree.size(), "\\StringFileInfo\\040904E4\\Product").found);
}

// Where the version functions would trust a length the block does not back, the reader stays inside.
TEST(VersionResourceQuery, TreeLongerThanItsBlockConvertsNothing) {
  FilledBlock block = ReadBlock(BuildPeImage(ImageWithVersion(TwoTableSpec())));
  block.bytes[0] = 0xD0, block.bytes[1] = 0x07;  // root wLength 2000 in a block of about 900 bytes
  VersionQueryResult r = QueryVersionValueA(block.data(), block.size, "\\StringFileInfo\\040904e4\\FileVersion");
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.length, 0u);
  EXPECT_EQ(r.lastError, 122u);
  EXPECT_STREQ(static_cast<const char*>(r.value), "");
  EXPECT_TRUE(block.TailUntouched());
}

TEST(VersionResourceQuery, NullBlockIsNotFound) {
  EXPECT_FALSE(QueryVersionValueA(nullptr, 100, "\\").found);
  uint8_t tiny[3] = {0xFF, 0xFF, 0};
  EXPECT_FALSE(QueryVersionValueA(tiny, sizeof tiny, "\\").found);
}

// Damaged images: every byte of the headers, resource directory and tree may be anything. The
// reader must neither read nor write outside the image and block (run under AddressSanitizer).
TEST(VersionResourceRobustness, SurvivesRandomDamage) {
  const auto original = BuildPeImage(ImageWithVersion(TwoTableSpec(), PeMachine::Amd64));
  std::mt19937 random(12345);
  const char* paths[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904e4\\FileVersion",
                         "\\StringFileInfo\\040704b0\\CompanyName", "StringFileInfo"};
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> image = original;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) {
      // Aim most damage at the headers, the resource directory and the tree.
      const size_t at = (random() % 4 == 0) ? random() % image.size() : 0x80 + random() % 0x300;
      image[at % image.size()] = static_cast<uint8_t>(random());
    }
    if (round % 7 == 0) image.resize(random() % image.size());
    auto span = FindVersionResource(image.data(), image.size());
    if (!span) continue;
    const size_t size = std::min<size_t>(VersionInfoBlockSize(span->size), 1 << 16);
    std::vector<uint8_t> block(size, 0);
    CopyVersionInfoBlock(image.data(), image.size(), *span, block.data(), block.size());
    for (const char* path : paths) {
      VersionQueryResult r = QueryVersionValueA(block.data(), block.size(), path);
      if (r.found && r.value != nullptr && r.length && path[1] == 'S') {
        const char* text = static_cast<const char*>(r.value);
        volatile char sink = text[r.length - 1];  // the reported bytes are readable
        (void)sink;
      }
    }
  }
}

}  // namespace

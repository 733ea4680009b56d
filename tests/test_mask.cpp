#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "kesmal/mask.h"
#include "kesmal/written_form.h"
#include "rules/date_phrase.h"

namespace kesmal {
namespace {

constexpr CivilDate kToday{2026, 6, 15};

MaskOptions Keyed(std::uint8_t seed, KeepSet keep = {}) {
  MaskOptions options;
  MaskKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(seed + i * 7);
  options.key = key;
  options.keep = keep;
  return options;
}

// A finding's views live only during the scan's call: these are copies.
struct Found {
  std::uint64_t offset;
  std::uint64_t length;
  std::string text;
  std::string number;
  Jurisdiction jurisdiction;
  std::optional<HolderSex> sex;
};

std::vector<Found> FindingsOf(std::string_view text) {
  std::vector<Found> findings;
  Scan(text, {}, [&](const Finding& finding) {
    findings.push_back({finding.offset, finding.length, std::string(finding.text),
                        std::string(finding.number), finding.jurisdiction,
                        finding.report.analysis.sex});
  });
  return findings;
}

struct FormCase {
  const char* name;
  const char* written;
  Jurisdiction jurisdiction;
};

class WrittenForms : public testing::TestWithParam<FormCase> {};

// The pseudonym stands where the number stood, written as it was, and the
// same key and options give the number back.
TEST_P(WrittenForms, PseudonymKeepsTheFormAndReverses) {
  const ScopedToday today(kToday);
  const auto& row = GetParam();
  const std::string text = std::string("身分證") + row.written + "號";
  const std::string masked = MaskText(text, Keyed(1));
  const auto found = FindingsOf(masked);
  ASSERT_EQ(found.size(), 1u) << masked;
  const Found& pseudonym = found[0];
  EXPECT_EQ(pseudonym.offset, 9u);
  EXPECT_EQ(pseudonym.text.size(), std::string_view(row.written).size());
  EXPECT_NE(pseudonym.text, row.written);
  EXPECT_EQ(pseudonym.jurisdiction, row.jurisdiction);
  EXPECT_EQ(CanonicalOf(pseudonym.text), pseudonym.number);
  EXPECT_EQ(InWrittenForm(row.written, pseudonym.number), pseudonym.text);
  MaskOptions reverse = Keyed(1);
  reverse.direction = MaskDirection::Reverse;
  EXPECT_EQ(CanonicalOf(MaskText(masked, reverse)), CanonicalOf(text));
}

INSTANTIATE_TEST_SUITE_P(
    , WrittenForms,
    testing::Values(FormCase{"taiwan_small", "a123456789", Jurisdiction::Taiwan},
                    FormCase{"taiwan_full_width", "Ａ１２３４５６７８９", Jurisdiction::Taiwan},
                    FormCase{"hong_kong_brackets", "AB987654(3)", Jurisdiction::HongKong},
                    FormCase{"hong_kong_full_width_brackets_after_a_space", "A123456 （3）",
                             Jurisdiction::HongKong},
                    FormCase{"korea_hyphen", "000101-1000002", Jurisdiction::Korea},
                    FormCase{"korea_full_width_hyphen", "０００１０１－１０００００２",
                             Jurisdiction::Korea},
                    FormCase{"mainland", "11010519491231002X", Jurisdiction::China},
                    FormCase{"mainland_old", "110105491231002", Jurisdiction::ChinaOld}));

std::string PlantedText(std::mt19937& random, const std::vector<std::string>& numbers) {
  constexpr std::string_view kFiller[] = {"日志 ", "x", ",", "\n", "7", " ", "ID=", "\"", "한국어 "};
  std::string text;
  for (int i = 0; i < 4000; ++i) {
    text += kFiller[random() % std::size(kFiller)];
    if (random() % 5 == 0) ((text += ' ') += numbers[random() % numbers.size()]) += ' ';
  }
  return text;
}

// Everything but the numbers stays byte for byte, the output holds none of
// the originals, and pieces of any size give the same as the whole text.
TEST(MaskText, ChangesTheNumbersAloneWhereverThePiecesAreCut) {
  const ScopedToday today(kToday);
  const std::vector<std::string> numbers{"A123456789", "AB9876543", "11010519491231002X",
                                         "0001011000002", "A1234563", "110105491231002"};
  std::mt19937 random(22);
  const std::string text = PlantedText(random, numbers);
  const MaskOptions options = Keyed(9, {KeptField::Sex});
  MaskCounts counts;
  const std::string masked = MaskText(text, options, &counts);
  const auto before = FindingsOf(text);
  const auto after = FindingsOf(masked);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(counts.replaced[0] + counts.replaced[1] + counts.replaced[2] + counts.replaced[3] +
                counts.replaced[4],
            before.size());
  std::size_t at = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    ASSERT_EQ(after[i].offset, before[i].offset);
    EXPECT_EQ(masked.substr(at, after[i].offset - at), text.substr(at, before[i].offset - at));
    EXPECT_EQ(after[i].sex, before[i].sex);
    EXPECT_EQ(std::ranges::count(numbers, after[i].number), 0) << after[i].number;
    at = after[i].offset + after[i].length;
  }
  EXPECT_EQ(masked.substr(at), text.substr(at));
  for (const std::size_t piece : {1u, 7u, 100u, 4096u}) {
    TextMasker masker(options);
    std::string pieces;
    const auto write = [&](std::string_view bytes) { pieces += bytes; };
    for (std::size_t from = 0; from < text.size(); from += piece)
      masker.Feed(std::string_view(text).substr(from, piece), write);
    masker.Finish(write);
    EXPECT_EQ(pieces, masked) << "pieces of " << piece;
  }
}

TEST(MaskText, RedactsAllButTheKeptFieldsAndLeavesNearMissesUnlessAsked) {
  const ScopedToday today(kToday);
  MaskOptions redact;
  redact.keep = {KeptField::Region};
  const std::string text = "11010519491231002X A123456780 ０００１０１－１０００００２";
  MaskCounts counts;
  EXPECT_EQ(MaskText(text, redact, &counts),
            "110105************ A123456780 ＊＊＊＊＊＊－＊＊＊＊＊＊＊");
  EXPECT_EQ(counts.nearMissesLeft, 1u);
  redact.redactNearMisses = true;
  EXPECT_EQ(MaskText("A123456780", redact), "A*********");
}

// Written into a folder it may not change, the file stays as it was.
TEST(MaskInputs, InPlaceInAFolderThatCannotBeWrittenLeavesTheFile) {
  char folder[] = "/tmp/kesmal_mask_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/numbers.txt";
  std::ofstream(path) << "A123456789\n";
  const std::string lock = geteuid() == 0 ? "chattr +i " : "chmod 555 ";
  ASSERT_EQ(std::system((lock + folder).c_str()), 0);
  MaskRequest request;
  request.paths = {path};
  request.options = Keyed(3);
  request.inPlace = true;
  std::istringstream in;
  std::ostringstream out, err;
  const int status = MaskInputs(request, in, out, err);
  std::system((std::string(geteuid() == 0 ? "chattr -i " : "chmod 755 ") + folder).c_str());
  EXPECT_EQ(status, 2);
  EXPECT_NE(err.str().find(path), std::string::npos) << err.str();
  std::stringstream kept;
  kept << std::ifstream(path).rdbuf();
  EXPECT_EQ(kept.str(), "A123456789\n");
  std::system((std::string("rm -rf ") + folder).c_str());
}

}  // namespace
}  // namespace kesmal

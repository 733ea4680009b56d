#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "kesmal/scan.h"
#include "rules/current.h"
#include "utf8.h"

namespace kesmal {
namespace {

constexpr CivilDate kToday{2026, 12, 8};

struct Found {
  std::uint64_t offset, line, column;
  std::string text, number;
  bool valid = true, plausible = true;
  friend bool operator==(const Found&, const Found&) = default;
};

std::ostream& operator<<(std::ostream& out, const Found& found) {
  return out << found.line << ":" << found.column << " @" << found.offset << " [" << found.text
             << "] " << found.number << (found.valid ? "" : " invalid")
             << (found.plausible ? "" : " implausible");
}

// The input in pieces ending at each cut.
std::vector<Found> ScanInPieces(std::string_view input, const ScanOptions& options,
                                const std::vector<std::size_t>& cuts = {}) {
  std::vector<Found> found;
  const auto record = [&](const Finding& f) {
    found.push_back({f.offset, f.line, f.column, std::string(f.text), std::string(f.number),
                     f.valid, f.plausible});
  };
  Scanner scanner(options);
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    scanner.Feed(input.substr(from, cut - from), record);
    from = cut;
  }
  scanner.Feed(input.substr(from), record);
  scanner.Finish(record);
  EXPECT_EQ(scanner.FindingCount(), found.size());
  return found;
}

enum class Expect { Valid, NearMiss, Implausible };

// ⟦ and ⟧ mark where the row expects a finding, of the number at the same
// place in `numbers`.
struct PlantedCase {
  const char* name;
  std::string marked;  // UTF-8 unless the row says otherwise
  std::vector<std::string> numbers;
  ScanOptions options = {};
  Expect expect = Expect::Valid;
};

void PrintTo(const PlantedCase& row, std::ostream* out) { *out << row.name; }

// The text without its marks, and the findings they mark.
std::pair<std::string, std::vector<Found>> Unmark(std::string_view marked, const PlantedCase& row) {
  constexpr std::string_view kOpen = "⟦", kClose = "⟧";
  std::string text;
  std::vector<Found> expected;
  std::uint64_t line = 1, lineStart = 0;
  while (!marked.empty()) {
    if (marked.starts_with(kOpen)) {
      marked.remove_prefix(kOpen.size());
      const std::string written(marked.substr(0, marked.find(kClose)));
      expected.push_back({text.size(), line, text.size() - lineStart + 1, written,
                          row.numbers.at(expected.size()), row.expect != Expect::NearMiss,
                          row.expect != Expect::Implausible});
      text += written;
      marked.remove_prefix(written.size() + kClose.size());
      continue;
    }
    if (marked.front() == '\n') ++line, lineStart = text.size() + 1;
    text += marked.front();
    marked.remove_prefix(1);
  }
  EXPECT_EQ(expected.size(), row.numbers.size()) << "marks and numbers of the row";
  return {text, expected};
}

// Lines that hold no number, long enough that the numbers after them are
// searched in place within a piece, not only in the copy made at its edge.
std::string Filler() {
  std::string filler = "\n";
  while (filler.size() < 2 * (Scanner::kBehind + Scanner::kAhead))
    filler += "2026-12-08 12:00:01 INFO 訂單已處理，주문 완료 id=12345\n";
  return filler;
}

class PlantedTest : public testing::TestWithParam<PlantedCase> {};

// The row alone, whole and cut in two at every byte, then between filler,
// cut at every byte: each number found once, at its offset, line and column.
TEST_P(PlantedTest, FoundWhereverTwoPiecesMeet) {
  ScopedToday pinned(kToday);
  const auto& row = GetParam();
  for (const std::string& marked : {row.marked, Filler() + row.marked + Filler()}) {
    const auto [text, expected] = Unmark(marked, row);
    for (std::size_t cut = 0; cut <= text.size(); ++cut)
      ASSERT_EQ(ScanInPieces(text, row.options, {cut}), expected) << "cut at " << cut;
  }
}

ScanOptions Current() { return {.rules = RuleSet::Current}; }
ScanOptions NearMisses() { return {.nearMisses = true}; }
ScanOptions Implausible() { return {.implausible = true}; }

// Big5 bytes of 字號：, whose second bytes are the letters r and G, and of 中.
const std::string kBig5Number = "\xA6\x72\xB8\xB9\xA1\x47";
std::string Big5Text(int characters) {
  std::string text;
  for (int i = 0; i < characters; ++i) text += "\xA4\xA4";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    , PlantedTest,
    testing::Values(
        PlantedCase{
            "taiwan",
            "⟦A123456789⟧ 身分證⟦a123456789⟧號 1,王小明,⟦A123456789⟧\r\n身分證：⟦A123456789⟧",
            {"A123456789", "A123456789", "A123456789", "A123456789"}},
        PlantedCase{"hong_kong",
                    "⟦A1234563⟧ 번호⟦AB9876543⟧입니다 ⟦g123005a⟧",
                    {"A1234563", "AB9876543", "G123005A"}},
        PlantedCase{
            "hong_kong_bracketed",
            "香港身份證⟦A123456(3)⟧已登記 ⟦AB987654 (3)⟧ 證件：⟦A123456（3）⟧。⟦G123005(A)⟧",
            {"A1234563", "AB9876543", "A1234563", "G123005A"}},
        PlantedCase{"korea",
                    "⟦0001011000002⟧ 주민등록번호 ⟦000101-1000002⟧ 주민번호⟦850503－1234565⟧",
                    {"0001011000002", "0001011000002", "8505031234565"}},
        PlantedCase{"china",
                    R"(⟦11010519491231002X⟧ {"id":"⟦11010519491231002x⟧"} 7,⟦110105491231002⟧,"x")",
                    {"11010519491231002X", "11010519491231002X", "110105491231002"}},
        PlantedCase{
            "full_width",
            "證號⟦Ａ１２３４５６７８９⟧號 ⟦ａ１２３４５６７８９⟧ "
            "⟦１１０１０５１９４９１２３１００２ｘ⟧ "
            "：⟦０００１０１－１０００００２⟧ ⟦ＡＢ９８７６５４（３）⟧",
            {"A123456789", "A123456789", "11010519491231002X", "0001011000002", "AB9876543"}},
        PlantedCase{"full_width_and_ascii_mixed",
                    "⟦Ａ123456789⟧ ⟦A１２３４５６（3）⟧",
                    {"A123456789", "A1234563"}},
        PlantedCase{
            "current_rules",
            "(⟦AB987654 （3）⟧) ⟦A800000014⟧ ⟦AB12345677⟧ ⟦810000198001010014⟧ "
            "⟦830000198001010018⟧",
            {"AB9876543", "A800000014", "AB12345677", "810000198001010014", "830000198001010018"},
            Current()},
        PlantedCase{"several_lines",
                    "a ⟦A123456789⟧ b ⟦A1234563⟧\nline 2: ⟦0001011000002⟧\n\n⟦110105491231002⟧",
                    {"A123456789", "A1234563", "0001011000002", "110105491231002"}},
        PlantedCase{"gbk_and_euc_kr_text",
                    test::Gbk("身份证号码：") + "⟦11010519491231002X⟧" + test::Gbk("。") +
                        "\xB9\xF8\xC8\xA3⟦000101-1000002⟧\xB9\xF8",
                    {"11010519491231002X", "0001011000002"}},
        PlantedCase{
            "big5_second_bytes_are_letters",
            kBig5Number + "⟦A123456789⟧\xA1\x41⟦A1234563⟧ " + Big5Text(60) + "\xA1\x47⟦A123456789⟧",
            {"A123456789", "A1234563", "A123456789"}},
        // Longer than the scanner reads back: the G of ： stands as a letter.
        PlantedCase{"big5_text_longer_than_read_back",
                    Big5Text(100) + "\xA1\x47"
                                    "A123456789",
                    {}},
        PlantedCase{
            "after_a_long_run_of_digits", std::string(5000, '7') + " ⟦A123456789⟧", {"A123456789"}},
        PlantedCase{"only_taiwan_and_old_china",
                    "⟦A123456789⟧ A1234563 ⟦110105491231002⟧ 0001011000002",
                    {"A123456789", "110105491231002"},
                    {.only = ParseJurisdictionList("cn15,tw").value()}},
        PlantedCase{"glued_to_letters",
                    "xA123456789 ＸA1234563 ｘ0001011000002 A123456789x 11010519491231002XＹ "
                    "0001011000002ｙ A123456(3)x x000101-1000002 \xC4\xE3x"
                    "A123456789",
                    {}},
        PlantedCase{"glued_to_digits",
                    "0A123456789 1110105491231002 ９0001011000002 A12345678900 A12345630 "
                    "0001011000002１ AB987654（3）９ 000101-10000021",
                    {}},
        PlantedCase{"too_long_or_across_a_line_end",
                    "1234567890123456789 11010519491231002X0 A12345\n6789 0001011\n000002 "
                    "A123456\n(3)",
                    {}},
        PlantedCase{"failing_the_check",
                    "A123456788 110105194912310021 A1234564 A800000014 AB12345677",
                    {}},
        PlantedCase{"near_misses",
                    "⟦A123456788⟧ ⟦110105194912310021⟧ ⟦A123456(4)⟧ 110105194902300021 "
                    "710000198001010011 110101203001010011",
                    {"A123456788", "110105194912310021", "A1234564"},
                    NearMisses(),
                    Expect::NearMiss},
        PlantedCase{"implausible_not_reported",
                    "710000198001010010 110101203001010014 110101190001010014 "
                    "710000491231002 2612311000008 810000198001010014 110199850101123",
                    {}},
        PlantedCase{"implausible_reported",
                    "⟦710000198001010010⟧ ⟦110101203001010014⟧ ⟦110101190001010014⟧ "
                    "⟦710000491231002⟧ ⟦2612311000008⟧ ⟦810000198001010014⟧ "
                    "⟦110199850101123⟧",
                    {"710000198001010010", "110101203001010014", "110101190001010014",
                     "710000491231002", "2612311000008", "810000198001010014", "110199850101123"},
                    Implausible(),
                    Expect::Implausible}),
    [](const auto& info) { return std::string(info.param.name); });

// Mainland checks take any region and many dates: of random runs of digits,
// the plausible findings must stay few, and each must pass its check.
TEST(ScanRandomDigits, FewPlausibleFindingsEachValid) {
  ScopedToday pinned(kToday);
  std::mt19937_64 random(20261208);
  std::string text;
  for (const int length : {18, 15})
    for (int n = 0; n < 100'000; ++n) {
      for (int i = 0; i < length; ++i) text += static_cast<char>('0' + random() % 10);
      text += '\n';
    }
  const auto found = ScanInPieces(text, {});
  EXPECT_LE(found.size(), 50u);
  for (const auto& one : found)
    EXPECT_TRUE(CheckNumberText(one.number, RuleSet::Classic, Encoding::Utf8)->valid) << one;
}

// Random text of the pieces numbers are written with: every finding's offsets
// hold its text, its line and column count the line ends before it, its
// number re-checks valid or, for a near miss, fails by its check character
// alone, and pieces of any size change nothing.
TEST(ScanRandomText, FindingsHoldTheirTextAndRecheck) {
  ScopedToday pinned(kToday);
  const std::vector<std::string> pieces = {"A",
                                           "b",
                                           "X",
                                           "x",
                                           "0",
                                           "1",
                                           "3",
                                           "5",
                                           "9",
                                           "Ａ",
                                           "ｘ",
                                           "１",
                                           "９",
                                           "-",
                                           "－",
                                           "(",
                                           ")",
                                           "（",
                                           "）",
                                           " ",
                                           "\n",
                                           "身",
                                           "번",
                                           "\xA1",
                                           "\xA6\x72",
                                           "\xEF",
                                           "\xEF\xBC",
                                           "\xFF",
                                           ",",
                                           "A123456789",
                                           "A1234563",
                                           "AB987654",
                                           "0001011000002",
                                           "000101",
                                           "11010519491231002",
                                           "110105491231002",
                                           "Ａ１２３４５６"};
  const ScanOptions options{.rules = RuleSet::Current, .nearMisses = true, .implausible = true};
  std::mt19937 random(20261208);
  std::size_t findings = 0;
  for (int round = 0; round < 300; ++round) {
    std::string text;
    while (text.size() < 2000) text += pieces[random() % pieces.size()];
    const auto found = ScanInPieces(text, options);
    for (const Found& one : found) {
      ASSERT_EQ(text.substr(one.offset, one.text.size()), one.text);
      const std::string before = text.substr(0, one.offset);
      EXPECT_EQ(one.line, 1 + std::ranges::count(before, '\n'));
      EXPECT_EQ(one.column, one.offset - (before.rfind('\n') + 1) + 1);
      const auto report = CheckNumberText(one.number, options.rules, Encoding::Utf8);
      EXPECT_EQ(report->valid, one.valid) << one;
      if (!one.valid) {
        ASSERT_EQ(report->analysis.faults.size(), 1u) << one;
        EXPECT_EQ(report->analysis.faults[0].code, FaultCode::CheckCode) << one;
      }
    }
    findings += found.size();
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < text.size(); at += 1 + random() % 300) cuts.push_back(at);
    ASSERT_EQ(ScanInPieces(text, options, cuts), found) << "round " << round;
  }
  EXPECT_GT(findings, 300u);
}

TEST(ScanSink, FalseStopsTheScan) {
  Scanner scanner({});
  int calls = 0;
  const std::string lines = "A123456789 A1234563\n" + std::string(Scanner::kAhead, ' ');
  scanner.Feed(lines, [&](const Finding&) { return ++calls < 1; });
  scanner.Feed(lines, [&](const Finding&) { return ++calls < 1; });
  scanner.Finish([&](const Finding&) { ++calls; });
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(scanner.Stopped());
}

// A block of a larger input, scanned on its own, gives the offsets and lines
// of the whole.
TEST(ScanStart, OffsetsAndLinesCountFromTheStart) {
  Scanner scanner({}, {.offset = 1000, .line = 7});
  std::vector<std::uint64_t> places;
  const auto record = [&](const Finding& f) {
    places.insert(places.end(), {f.offset, f.line, f.column});
  };
  scanner.Feed("A123456789\nx A1234563", record);
  scanner.Finish(record);
  EXPECT_EQ(places, (std::vector<std::uint64_t>{1000, 7, 1, 1013, 8, 3}));
}

TEST(JurisdictionList, ParsesKnownNamesOnly) {
  EXPECT_EQ(ParseJurisdictionList("tw,hk,cn,cn15,kr"), JurisdictionSet::All());
  EXPECT_EQ(ParseJurisdictionList("kr,cn15"),
            JurisdictionSet::None().Add(Jurisdiction::Korea).Add(Jurisdiction::ChinaOld));
  for (const char* refused : {"", "tw,", "tw,,hk", "TW", "cn18"})
    EXPECT_EQ(ParseJurisdictionList(refused), std::nullopt) << refused;
}

}  // namespace
}  // namespace kesmal

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

// ⟦ and ⟧ mark where a row expects a finding; they are taken out before the scan.
constexpr std::string_view kOpen = "⟦";
constexpr std::string_view kClose = "⟧";

struct Span {
  std::uint64_t offset;
  std::uint64_t line;
  std::uint64_t column;
  std::string text;
  friend bool operator==(const Span&, const Span&) = default;
};

struct Found {
  Span span;
  std::string number;
  bool valid;
  bool plausible;
  friend bool operator==(const Found&, const Found&) = default;
};

std::ostream& operator<<(std::ostream& out, const Found& found) {
  return out << found.span.line << ":" << found.span.column << " @" << found.span.offset << " ["
             << found.span.text << "] " << found.number << (found.valid ? " valid" : " invalid")
             << (found.plausible ? " plausible" : " implausible");
}

// The text without its marks, and the spans the marks held.
std::pair<std::string, std::vector<Span>> Unmark(std::string_view marked) {
  std::string text;
  std::vector<Span> spans;
  std::uint64_t line = 1;
  std::uint64_t lineStart = 0;
  while (!marked.empty()) {
    if (marked.starts_with(kOpen)) {
      marked.remove_prefix(kOpen.size());
      const std::size_t close = marked.find(kClose);
      const std::string written(marked.substr(0, close));
      spans.push_back({text.size(), line, text.size() - lineStart + 1, written});
      text += written;
      marked.remove_prefix(close + kClose.size());
      continue;
    }
    if (marked.front() == '\n') ++line, lineStart = text.size() + 1;
    text += marked.front();
    marked.remove_prefix(1);
  }
  return {text, spans};
}

Found Record(const Finding& finding) {
  return {{finding.offset, finding.line, finding.column, std::string(finding.text)},
          std::string(finding.number),
          finding.valid,
          finding.plausible};
}

// The input in pieces ending at each cut.
std::vector<Found> ScanInPieces(std::string_view input, const ScanOptions& options,
                                const std::vector<std::size_t>& cuts) {
  std::vector<Found> found;
  const auto record = [&](const Finding& finding) { found.push_back(Record(finding)); };
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

std::vector<Found> ScanWhole(std::string_view input, const ScanOptions& options) {
  return ScanInPieces(input, options, {});
}

enum class Expect { Valid, NearMiss, Implausible };

struct PlantedCase {
  const char* name;
  std::string marked;                // UTF-8 unless the row says otherwise
  std::vector<std::string> numbers;  // the canonical number of each mark, in order
  ScanOptions options = {};
  Expect expect = Expect::Valid;
};

ScanOptions With(RuleSet rules) { return {.rules = rules}; }
ScanOptions NearMisses() { return {.nearMisses = true}; }
ScanOptions Implausible(RuleSet rules = RuleSet::Classic) {
  return {.rules = rules, .implausible = true};
}
ScanOptions Only(std::string_view list) { return {.only = ParseJurisdictionList(list).value()}; }

std::vector<Found> Expected(const PlantedCase& row, const std::vector<Span>& spans) {
  EXPECT_EQ(spans.size(), row.numbers.size()) << "marks and numbers of the row";
  std::vector<Found> expected;
  for (std::size_t i = 0; i < spans.size() && i < row.numbers.size(); ++i)
    expected.push_back({spans[i], row.numbers[i], row.expect != Expect::NearMiss,
                        row.expect != Expect::Implausible});
  return expected;
}

// Filler that holds no number, long enough that numbers after it are searched
// in place within a piece and not only in the copy made at a piece's edge.
std::string Filler() {
  std::string filler = "\n";
  while (filler.size() < 2 * (Scanner::kBehind + Scanner::kAhead))
    filler += "2026-12-08 12:00:01 INFO 訂單已處理，주문 완료 id=12345 ";
  return filler + "\n";
}

void PrintTo(const PlantedCase& row, std::ostream* out) { *out << row.name; }

class PlantedTest : public testing::TestWithParam<PlantedCase> {};

TEST_P(PlantedTest, FoundAtTheirPlaces) {
  ScopedToday pinned(kToday);
  const auto& row = GetParam();
  const auto [text, spans] = Unmark(row.marked);
  EXPECT_EQ(ScanWhole(text, row.options), Expected(row, spans));
}

// The same text after filler, cut in two at every byte: each number found once,
// at its true offset, line and column, whichever side of the cut it lies on.
TEST_P(PlantedTest, FoundWhereverTwoPiecesMeet) {
  ScopedToday pinned(kToday);
  const auto& row = GetParam();
  const auto [text, spans] = Unmark(Filler() + row.marked + Filler());
  const auto expected = Expected(row, spans);
  for (std::size_t cut = 0; cut <= text.size(); ++cut)
    ASSERT_EQ(ScanInPieces(text, row.options, {cut}), expected) << "cut at " << cut;
}

TEST_P(PlantedTest, FoundInPiecesOfAnySize) {
  ScopedToday pinned(kToday);
  const auto& row = GetParam();
  const auto [text, spans] = Unmark(Filler() + row.marked + Filler());
  std::mt19937 random(20261208);
  for (int round = 0; round < 20; ++round) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < text.size(); at += 1 + random() % 70) cuts.push_back(at);
    ASSERT_EQ(ScanInPieces(text, row.options, cuts), Expected(row, spans)) << "round " << round;
  }
}

// Big5 bytes of 字號： and ，, whose second bytes are the letters r, G and A;
// GBK of 身份证号码：; EUC-KR of 번호.
const std::string kBig5Number = "\xA6\x72\xB8\xB9\xA1\x47";
const std::string kBig5Comma = "\xA1\x41";
const std::string kBig5Colon = "\xA1\x47";
const std::string kEucKrNumber = "\xB9\xF8\xC8\xA3";

// Big5 characters whose second bytes are above 0x7F: 中 repeated.
std::string Big5Text(int characters) {
  std::string text;
  for (int i = 0; i < characters; ++i) text += "\xA4\xA4";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    , PlantedTest,
    testing::Values(
        PlantedCase{"taiwan_at_line_start", "⟦A123456789⟧ 台北市", {"A123456789"}},
        PlantedCase{"taiwan_at_line_end", "身分證：⟦A123456789⟧", {"A123456789"}},
        PlantedCase{"taiwan_lower_case", "id ⟦a123456789⟧.", {"A123456789"}},
        PlantedCase{"taiwan_glued_to_chinese", "身分證⟦A123456789⟧號", {"A123456789"}},
        PlantedCase{"hong_kong_8", "⟦A1234563⟧", {"A1234563"}},
        PlantedCase{"hong_kong_9_glued_to_korean", "번호⟦AB9876543⟧입니다", {"AB9876543"}},
        PlantedCase{"hong_kong_check_a", "⟦g123005a⟧", {"G123005A"}},
        PlantedCase{"hong_kong_bracketed", "香港身份證⟦A123456(3)⟧已登記", {"A1234563"}},
        PlantedCase{"hong_kong_space_and_bracket", "⟦AB987654 (3)⟧\n", {"AB9876543"}},
        PlantedCase{"hong_kong_full_width_brackets", "證件：⟦A123456（3）⟧。", {"A1234563"}},
        PlantedCase{"hong_kong_bracketed_current",
                    "(⟦AB987654 （3）⟧)",
                    {"AB9876543"},
                    With(RuleSet::Current)},
        PlantedCase{"hong_kong_bracketed_check_a", "⟦G123005(A)⟧", {"G123005A"}},
        PlantedCase{"korea", "⟦0001011000002⟧", {"0001011000002"}},
        PlantedCase{"korea_hyphen", "주민등록번호 ⟦000101-1000002⟧ 확인", {"0001011000002"}},
        PlantedCase{"korea_full_width_hyphen", "주민번호⟦850503－1234565⟧", {"8505031234565"}},
        PlantedCase{"china_x", "⟦11010519491231002X⟧", {"11010519491231002X"}},
        PlantedCase{"china_lower_x_in_json",
                    R"({"id":"⟦11010519491231002x⟧","n":1})",
                    {"11010519491231002X"}},
        PlantedCase{"china_permit_current",
                    "⟦810000198001010014⟧",
                    {"810000198001010014"},
                    With(RuleSet::Current)},
        PlantedCase{"china_old_in_csv", "7,⟦110105491231002⟧,\"x\"", {"110105491231002"}},
        PlantedCase{"taiwan_in_csv_last_cell", "1,王小明,⟦A123456789⟧\r\n", {"A123456789"}},
        PlantedCase{"full_width_taiwan", "證號⟦Ａ１２３４５６７８９⟧號", {"A123456789"}},
        PlantedCase{"full_width_lower_case", "⟦ａ１２３４５６７８９⟧", {"A123456789"}},
        PlantedCase{
            "full_width_china", "⟦１１０１０５１９４９１２３１００２ｘ⟧", {"11010519491231002X"}},
        PlantedCase{
            "full_width_korea_hyphen", "：⟦０００１０１－１０００００２⟧", {"0001011000002"}},
        PlantedCase{"full_width_hong_kong_bracketed", "⟦ＡＢ９８７６５４（３）⟧", {"AB9876543"}},
        PlantedCase{"full_width_and_ascii_mixed",
                    "⟦Ａ123456789⟧ ⟦A１２３４５６（3）⟧",
                    {"A123456789", "A1234563"}},
        PlantedCase{"taiwan_resident_current",
                    "⟦A800000014⟧ ⟦AB12345677⟧",
                    {"A800000014", "AB12345677"},
                    With(RuleSet::Current)},
        PlantedCase{"several_lines",
                    "a ⟦A123456789⟧ b ⟦A1234563⟧\nline 2: ⟦0001011000002⟧\n\n⟦110105491231002⟧",
                    {"A123456789", "A1234563", "0001011000002", "110105491231002"}},
        PlantedCase{"gbk_text",
                    test::Gbk("身份证号码：") + "⟦11010519491231002X⟧" + test::Gbk("。"),
                    {"11010519491231002X"}},
        PlantedCase{"big5_second_bytes_are_letters",
                    kBig5Number + "⟦A123456789⟧" + kBig5Comma + "⟦A1234563⟧" + kBig5Comma,
                    {"A123456789", "A1234563"}},
        PlantedCase{
            "big5_long_text_before", Big5Text(60) + kBig5Colon + "⟦A123456789⟧", {"A123456789"}},
        // Longer than the scanner reads back: the letter G of ： stands.
        PlantedCase{
            "big5_text_longer_than_read_back", Big5Text(100) + kBig5Colon + "A123456789", {}},
        PlantedCase{
            "euc_kr_text", kEucKrNumber + "⟦000101-1000002⟧" + kEucKrNumber, {"0001011000002"}},
        PlantedCase{
            "after_a_long_run_of_digits", std::string(5000, '7') + " ⟦A123456789⟧", {"A123456789"}},
        PlantedCase{"only_korea",
                    "A123456789 ⟦0001011000002⟧ 11010519491231002X",
                    {"0001011000002"},
                    Only("kr")},
        PlantedCase{"only_taiwan_and_old_china",
                    "⟦A123456789⟧ A1234563 ⟦110105491231002⟧",
                    {"A123456789", "110105491231002"},
                    Only("cn15,tw")},
        // Glued to a letter or digit on either side, or one character too long.
        PlantedCase{"letter_before", "xA123456789 ＸA1234563 ｘ0001011000002", {}},
        PlantedCase{"letter_after", "A123456789x 11010519491231002XＹ 0001011000002ｙ", {}},
        PlantedCase{"digit_before", "0A123456789 1110105491231002 ９0001011000002", {}},
        PlantedCase{"digit_after", "A12345678900 A12345630 0001011000002１", {}},
        PlantedCase{"nineteen_digits", "1234567890123456789 11010519491231002X0", {}},
        PlantedCase{"bracket_glued_after", "A123456(3)x AB987654（3）９", {}},
        PlantedCase{"korea_hyphen_glued", "x000101-1000002 000101-10000021", {}},
        PlantedCase{"across_a_line_end", "A12345\n6789 0001011\n000002 A123456\n(3)", {}},
        PlantedCase{"gbk_letter_of_the_text",
                    "\xC4\xE3x"
                    "A123456789",
                    {}},
        // Failing the check, implausible, and today's rules.
        PlantedCase{"wrong_check_not_reported", "A123456788 110105194912310021 A1234564", {}},
        PlantedCase{"wrong_check_near_miss",
                    "⟦A123456788⟧ ⟦110105194912310021⟧ ⟦A123456(4)⟧ 110105194902300021",
                    {"A123456788", "110105194912310021", "A1234564"},
                    NearMisses(),
                    Expect::NearMiss},
        PlantedCase{"near_miss_needs_a_plausible_number",
                    "710000198001010011 110101203001010011",
                    {},
                    NearMisses()},
        PlantedCase{"implausible_not_reported",
                    "710000198001010010 110101203001010014 110101190001010014 "
                    "710000491231002 2612311000008",
                    {}},
        PlantedCase{"implausible_reported",
                    "⟦710000198001010010⟧ ⟦110101203001010014⟧ ⟦110101190001010014⟧ "
                    "⟦710000491231002⟧ ⟦2612311000008⟧",
                    {"710000198001010010", "110101203001010014", "110101190001010014",
                     "710000491231002", "2612311000008"},
                    Implausible(),
                    Expect::Implausible},
        PlantedCase{"permit_implausible_under_classic",
                    "⟦810000198001010014⟧",
                    {"810000198001010014"},
                    Implausible(),
                    Expect::Implausible},
        PlantedCase{"resident_certificate_classic", "A800000014 AB12345677", {}}),
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
  std::vector<std::string> numbers;
  Scan(text, {}, [&](const Finding& finding) { numbers.emplace_back(finding.number); });
  EXPECT_LE(numbers.size(), 50u);
  for (const auto& number : numbers)
    EXPECT_TRUE(CheckNumberText(number, RuleSet::Classic, Encoding::Utf8)->valid) << number;
}

// Random text of the pieces numbers are written with: every finding's
// offsets hold its text, its line and column count the line ends before it,
// its number re-checks valid (or, for a near miss, fails by its check
// character alone), and pieces change nothing.
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
                                           "\"",
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
  int findings = 0;
  for (int round = 0; round < 300; ++round) {
    std::string text;
    while (text.size() < 2000) text += pieces[random() % pieces.size()];
    const auto found = ScanWhole(text, options);
    for (const Found& one : found) {
      const Span& span = one.span;
      ASSERT_LE(span.offset + span.text.size(), text.size());
      EXPECT_EQ(text.substr(span.offset, span.text.size()), span.text);
      const std::string before = text.substr(0, span.offset);
      EXPECT_EQ(span.line, 1 + std::ranges::count(before, '\n'));
      EXPECT_EQ(span.column, span.offset - (before.rfind('\n') + 1) + 1);
      const auto report = CheckNumberText(one.number, options.rules, Encoding::Utf8);
      EXPECT_EQ(report->valid, one.valid) << one;
      if (!one.valid) {
        ASSERT_EQ(report->analysis.faults.size(), 1u) << one;
        EXPECT_EQ(report->analysis.faults[0].code, FaultCode::CheckCode) << one;
      }
    }
    findings += static_cast<int>(found.size());
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < text.size(); at += 1 + random() % 300) cuts.push_back(at);
    ASSERT_EQ(ScanInPieces(text, options, cuts), found) << "round " << round;
  }
  EXPECT_GT(findings, 300);
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
  const auto [text, spans] = Unmark("⟦A123456789⟧\nx ⟦A1234563⟧");
  Scanner scanner({}, {.offset = 1000, .line = 7});
  std::vector<Found> found;
  const auto record = [&](const Finding& finding) { found.push_back(Record(finding)); };
  scanner.Feed(text, record);
  scanner.Finish(record);
  ASSERT_EQ(found.size(), spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) {
    EXPECT_EQ(found[i].span.offset, 1000 + spans[i].offset);
    EXPECT_EQ(found[i].span.line, 6 + spans[i].line);
    EXPECT_EQ(found[i].span.column, spans[i].column);
  }
}

struct ListCase {
  const char* list;
  std::optional<JurisdictionSet> set;
};

class JurisdictionListTest : public testing::TestWithParam<ListCase> {};

TEST_P(JurisdictionListTest, Parses) {
  EXPECT_EQ(ParseJurisdictionList(GetParam().list), GetParam().set) << GetParam().list;
}

INSTANTIATE_TEST_SUITE_P(
    , JurisdictionListTest,
    testing::Values(ListCase{"tw,hk,cn,cn15,kr", JurisdictionSet::All()},
                    ListCase{"cn15", JurisdictionSet::None().Add(Jurisdiction::ChinaOld)},
                    ListCase{
                        "kr,tw",
                        JurisdictionSet::None().Add(Jurisdiction::Korea).Add(Jurisdiction::Taiwan)},
                    ListCase{"", std::nullopt}, ListCase{"tw,", std::nullopt},
                    ListCase{"tw,,hk", std::nullopt}, ListCase{"TW", std::nullopt},
                    ListCase{"cn18", std::nullopt}));

}  // namespace
}  // namespace kesmal

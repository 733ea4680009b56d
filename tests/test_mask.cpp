#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "kesmal/mask.h"
#include "kesmal/written_form.h"
#include "rules/current.h"
#include "rules/date_phrase.h"
#include "rules/number_space.h"

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
  constexpr std::string_view kFiller[] = {"日志 ", "x",   ",",  "\n",     "7",
                                          " ",     "ID=", "\"", "한국어 "};
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
  const std::vector<std::string> numbers{"A123456789",    "AB9876543", "11010519491231002X",
                                         "0001011000002", "A1234563",  "110105491231002"};
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

TEST(MaskText, RedactsAllButTheKeptFieldsAndNearMissesUnlessKept) {
  const ScopedToday today(kToday);
  MaskOptions redact;
  redact.keep = {KeptField::Region};
  const std::string text = "11010519491231002X A123456780 ０００１０１－１０００００２";
  MaskCounts counts;
  EXPECT_EQ(MaskText(text, redact, &counts),
            "110105************ A********* ＊＊＊＊＊＊－＊＊＊＊＊＊＊");
  EXPECT_EQ(counts.nearMissesRedacted, 1u);
  EXPECT_EQ(MaskSummary(counts, true),
            "redacted 2 numbers (cn 1, kr 1); redacted 1 near miss; "
            "left 0 near misses");
  redact.nearMisses = NearMisses::Keep;
  EXPECT_EQ(MaskText("A123456780", redact, &counts), "A123456780");
  EXPECT_EQ(counts.nearMissesLeft, 1u);
  // The mainland's sex is its seventeenth character, before the check character.
  redact.keep = {KeptField::Sex};
  EXPECT_EQ(MaskText("11010519491231002x 110105491231002", redact),
            "****************2* **************2");
}

// Near misses are masked, kept or redacted, and counted, when their right
// number is in the masked set; those of numbers outside it (born in 2500)
// are left and not counted, in every mode.
TEST(MaskText, NearMissesAreTreatedAsTheirModeSaysAndCountedOnlyInTheMaskedSet) {
  const ScopedToday today(kToday);
  const std::string inside = "110105198505030011", outside = "110105250001010012";
  struct Row {
    NearMisses mode;
    std::uint64_t masked, left, redacted;
  };
  for (const Row& row : {Row{NearMisses::Mask, 1, 0, 0}, Row{NearMisses::Keep, 0, 1, 0},
                         Row{NearMisses::Redact, 0, 0, 1}}) {
    MaskOptions options = Keyed(5);
    options.nearMisses = row.mode;
    MaskCounts counts;
    const std::string masked = MaskText(inside + " " + outside, options, &counts);
    EXPECT_EQ(masked.substr(inside.size()), " " + outside);
    EXPECT_EQ(masked.substr(0, inside.size()) == inside, row.mode == NearMisses::Keep);
    EXPECT_EQ(counts.nearMissesMasked, row.masked);
    EXPECT_EQ(counts.nearMissesLeft, row.left);
    EXPECT_EQ(counts.nearMissesRedacted, row.redacted);
  }
}

// Numbers of every form, at the edges of every birth set and around today,
// written every way scan finds them, and near misses of them.
class NumberMaker {
 public:
  explicit NumberMaker(std::uint32_t seed) : random_(seed) {}

  std::string Next() {
    std::string number;
    do number = Body();
    while (!Complete(number));
    return Written(number);
  }

 private:
  std::string Digits(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>('0' + random_() % 10);
    return text;
  }
  char Letter(std::string_view letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ") {
    return letters[random_() % letters.size()];
  }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[random_() % N];
  }
  std::string Date(int yearDigits) {
    static constexpr CivilDate kEdges[] = {
        {1899, 12, 31}, {1900, 1, 1},  {1910, 12, 31}, {1911, 1, 1},  {1929, 12, 31}, {1930, 1, 1},
        {1999, 12, 31}, {2000, 2, 29}, {2019, 12, 31}, {2020, 1, 1},  {2020, 9, 30},  {2020, 10, 1},
        {2025, 12, 31}, {2026, 1, 1},  {2026, 6, 14},  {2026, 6, 15}, {2026, 6, 16},  {2031, 6, 15},
        {2031, 12, 31}, {2032, 1, 1},  {1985, 5, 3},   {1890, 7, 1},  {2103, 12, 31}, {2104, 1, 1}};
    CivilDate date = Pick(kEdges);
    if (random_() % 3 == 0)
      date = DateOfDayNumber(DayNumber(date) + static_cast<std::int64_t>(random_() % 61) - 30);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
    return text + 4 - yearDigits;
  }
  std::string Body() {
    static constexpr const char* kRegions[] = {"110105", "110105", "440681", "110199",
                                               "990000", "810000", "830000", "710000"};
    switch (random_() % 6) {
      case 0: return Pick(kRegions) + Date(4) + Digits(3);
      case 1: return Pick(kRegions) + Date(2) + Digits(3);
      case 2: return std::string(1, Letter()) + Letter("1289ABCD") + Digits(7);
      case 3: return std::string(random_() % 2 ? 1 : 2, Letter()) + Digits(6);
      default: return Date(2) + Digits(6);
    }
  }
  // The check character that makes it valid under either rule set, or, for
  // a near miss, another one; false for a body no check character makes valid.
  bool Complete(std::string& number) {
    if (number.size() == 15) return true;             // no check character
    if (number.size() == 12 && random_() % 4 == 0) {  // Korea's random digits from 2020-10
      number += Digits(1);
      return true;
    }
    std::string valid;
    for (const char check : std::string_view("0123456789XA")) {
      const std::string candidate = number + check;
      for (const RuleSet rules : {RuleSet::Classic, RuleSet::Current})
        if (valid.empty() && CheckNumberText(candidate, rules)->valid) valid = candidate;
    }
    if (valid.empty()) return false;
    if (random_() % 5 == 0) {  // a near miss: one of the other check characters
      // B: a letter no form has for a check character.
      const std::string_view others =
          valid.size() == 18 || valid.size() <= 9 ? "0123456789XAB" : "0123456789B";
      char check;
      do check = others[random_() % others.size()];
      while (check == valid.back() || (check == 'X' && valid.size() != 18) ||
             (check == 'A' && valid.size() > 9));
      valid.back() = check;
    }
    number = valid;
    return true;
  }
  std::string Written(std::string number) {
    const unsigned how = random_() % 8;
    if (how == 0)
      for (char& c : number) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (how == 1 && (number.back() == 'X' || number.back() == 'A')) number.back() += 'a' - 'A';
    if (how == 2 && number.size() <= 9) {
      static constexpr const char* kBrackets[][2] = {{"(", ")"}, {" (", ")"}, {"（", "）"}};
      const auto& brackets = Pick(kBrackets);
      number.insert(number.size() - 1, brackets[0]);
      number += brackets[1];
    }
    if (how == 3 && number.size() == 13) number.insert(6, random_() % 2 ? "-" : "－");
    if (how == 4) {
      std::string wide;
      for (const char c : number) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
          wide += c;
          continue;
        }
        const unsigned code = 0xFF00 + static_cast<unsigned>(c) - 0x20;
        wide += static_cast<char>(0xE0 | (code >> 12));
        wide += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        wide += static_cast<char>(0x80 | (code & 0x3F));
      }
      number = wide;
    }
    return number;
  }

  std::mt19937 random_;
};

// The keep sets a jurisdiction's numbers allow, and the jurisdictions whose
// numbers it leaves enough of.
JurisdictionSet OnlyAllowed(KeepSet keep, RuleSet rules) {
  JurisdictionSet only = JurisdictionSet::None();
  for (const Jurisdiction jurisdiction :
       {Jurisdiction::Taiwan, Jurisdiction::HongKong, Jurisdiction::China, Jurisdiction::ChinaOld,
        Jurisdiction::Korea})
    if (SmallestDomainOf(jurisdiction, rules, keep).count >= kPseudonymMinimum)
      only.Add(jurisdiction);
  return only;
}

// The reverse gives back every byte, case included, also years later; and it
// changes nothing the mask did not make.
TEST(MaskRoundTrip, GivesBackEveryByteWithEveryKeepSetOnAnyLaterDay) {
  constexpr std::string_view kBetween[] = {" ", "\n", ", ", "身分證", "\"", "=", "x", "7", ""};
  NumberMaker maker(27);
  std::mt19937 random(27);
  std::uint64_t masked = 0, nearMisses = 0;
  for (unsigned bits = 0; bits < 32; ++bits) {
    for (const RuleSet rules : {RuleSet::Classic, RuleSet::Current}) {
      MaskOptions options = Keyed(static_cast<std::uint8_t>(bits));
      options.keep = {};
      for (const KeptField field : {KeptField::Sex, KeptField::BirthDate, KeptField::BirthYear,
                                    KeptField::Region, KeptField::Province})
        if (bits & static_cast<unsigned>(field)) options.keep = options.keep.With(field);
      options.rules = rules;
      options.only = OnlyAllowed(options.keep, rules);
      if (options.only.Empty()) continue;
      options.implausible = random() % 2;
      std::string text;
      std::vector<std::string> numbers;
      for (int i = 0; i < 120; ++i) {
        text += kBetween[random() % std::size(kBetween)];
        text += numbers.emplace_back(maker.Next());
      }
      MaskOptions reverse = options;
      reverse.direction = MaskDirection::Reverse;
      std::string out;
      {
        const ScopedToday today(kToday);
        MaskCounts counts;
        out = MaskText(text, options, &counts);
        for (const std::uint64_t replaced : counts.replaced) masked += replaced;
        nearMisses += counts.nearMissesMasked;
      }
      for (const CivilDate day : {kToday, CivilDate{2031, 6, 15}}) {
        const ScopedToday today(day);
        ASSERT_EQ(MaskText(out, reverse), text) << "keep " << KeepSetText(options.keep);
        for (const std::string& number : numbers) {
          const std::string alone = " " + number + " ";
          if (MaskText(alone, options) == alone) {
            EXPECT_EQ(MaskText(alone, reverse), alone);
          }
        }
      }
    }
  }
  EXPECT_GT(masked, 1000u);
  EXPECT_GT(nearMisses, 100u);
}

// The pseudonyms are a contract: these, under two keys, every rule set and
// the keep sets below, must never change. KESMAL_WRITE_GOLDEN=1 writes the
// file again (only when the construction is meant to change).
TEST(MaskGolden, PseudonymsAreThoseOfTheGoldenFile) {
  const ScopedToday today(kToday);
  struct Row {
    int key;
    RuleSet rules;
    KeepSet keep;
    std::string written, masked;
  };
  std::vector<Row> rows;
  const bool write = std::getenv("KESMAL_WRITE_GOLDEN") != nullptr;
  if (write) {
    constexpr const char* kFixed[] = {
        "A123456789",         "a123456789",         "A123456780",           "11010519491231002X",
        "11010519491231002x", "110105194912310021", "A123456(3)",           "AB987654（3）",
        "110105491231002",    "000101-1000002",     "Ａ１２３４５６７８９", "f321872e",
        "11010519491231002b"};
    constexpr unsigned kKeeps[] = {0, 1, 2, 4, 8, 16, 9, 5};
    NumberMaker maker(2027);
    for (const int key : {1, 2})
      for (const RuleSet rules : {RuleSet::Classic, RuleSet::Current})
        for (const unsigned bits : kKeeps) {
          KeepSet keep;
          for (const KeptField field : {KeptField::Sex, KeptField::BirthDate, KeptField::BirthYear,
                                        KeptField::Region, KeptField::Province})
            if (bits & static_cast<unsigned>(field)) keep = keep.With(field);
          std::vector<std::string> numbers(std::begin(kFixed), std::end(kFixed));
          for (int i = 0; i < 6; ++i) numbers.push_back(maker.Next());
          for (std::string& number : numbers) rows.push_back({key, rules, keep, number, {}});
        }
  } else {
    std::ifstream file(KESMAL_MASK_GOLDEN);
    ASSERT_TRUE(file) << KESMAL_MASK_GOLDEN;
    std::string line;
    while (std::getline(file, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::vector<std::string> fields;
      for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) break;
        from = tab + 1;
      }
      ASSERT_EQ(fields.size(), 5u) << line;
      KeepSet keep;
      for (std::size_t from = 0; from < fields[2].size();) {
        const std::size_t comma = std::min(fields[2].find(',', from), fields[2].size());
        keep = keep.With(*KeptFieldNamed(fields[2].substr(from, comma - from)));
        from = comma + 1;
      }
      rows.push_back({std::stoi(fields[0]),
                      fields[1] == "current" ? RuleSet::Current : RuleSet::Classic, keep, fields[3],
                      fields[4]});
    }
    ASSERT_GT(rows.size(), 300u);
  }
  std::ofstream out;
  if (write) {
    out.open(KESMAL_MASK_GOLDEN);
    out << "# key\trules\tkeep\twritten\tmasked (tests/test_mask.cpp, MaskGolden)\n";
  }
  for (const Row& row : rows) {
    MaskOptions options = Keyed(static_cast<std::uint8_t>(row.key), row.keep);
    options.rules = row.rules;
    options.only = OnlyAllowed(row.keep, row.rules);
    const std::string masked = MaskText(row.written, options);
    MaskOptions reverse = options;
    reverse.direction = MaskDirection::Reverse;
    EXPECT_EQ(MaskText(masked, reverse), row.written);
    if (write) {
      out << row.key << '\t' << (row.rules == RuleSet::Current ? "current" : "classic") << '\t'
          << KeepSetText(row.keep) << '\t' << row.written << '\t' << masked << '\n';
    } else {
      EXPECT_EQ(masked, row.masked) << row.written << " keep " << KeepSetText(row.keep);
    }
  }
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
  std::ostringstream out;
  const MaskResult result = MaskInputs(request, in, out);
  std::system((std::string(geteuid() == 0 ? "chattr -i " : "chmod 755 ") + folder).c_str());
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].path, path);
  EXPECT_EQ(result.failures[0].fault, InputFault::CannotWriteBeside);
  std::stringstream kept;
  kept << std::ifstream(path).rdbuf();
  EXPECT_EQ(kept.str(), "A123456789\n");
  std::system((std::string("rm -rf ") + folder).c_str());
}

// A folder of its own, removed with what it holds.
class Folder {
 public:
  Folder() {
    char name[] = "/tmp/kesmal_mask_XXXXXX";
    path_ = mkdtemp(name) ? name : "";
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename());
    std::ranges::sort(names);
    return names;
  }

 private:
  std::string path_;
};

std::string Contents(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

MaskResult MaskInPlace(std::vector<std::string> paths) {
  MaskRequest request;
  request.paths = std::move(paths);
  request.options = Keyed(3);
  request.inPlace = true;
  std::istringstream in;
  std::ostringstream out;
  return MaskInputs(request, in, out);
}

constexpr std::string_view kNumbers = "A123456789 11010519491231002x\n";

// A link is followed and its target rewritten; owner, group, mode and
// extended attributes stay; a file named three ways is masked once.
TEST(MaskInputs, InPlaceRewritesALinksTargetOnceKeepingWhatTheFileWas) {
  const ScopedToday today(kToday);
  const Folder folder;
  const std::string file = folder / "numbers.txt", link = folder / "link";
  std::ofstream(file) << kNumbers;
  ASSERT_EQ(chmod(file.c_str(), 0644), 0);
  ASSERT_EQ(symlink("numbers.txt", link.c_str()), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
  }
  const bool attributes = setxattr(file.c_str(), "user.kesmal", "kept", 4, 0) == 0;
  const auto run = MaskInPlace({link, file, folder / "./numbers.txt"});
  EXPECT_TRUE(run.failures.empty());
  EXPECT_EQ(Contents(file), MaskText(kNumbers, Keyed(3)));
  struct stat status {};
  ASSERT_EQ(lstat(link.c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  ASSERT_EQ(stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0644u);
  if (root) {
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 65534u);
  }
  if (attributes) {
    char value[8] = {};
    EXPECT_EQ(getxattr(file.c_str(), "user.kesmal", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
  }
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link", "numbers.txt"}));
}

// What cannot be rewritten safely is named and left as it was, with nothing
// beside it: a FIFO, a folder, a file of two hard links, a write that fails.
TEST(MaskInputs, InPlaceRefusesWhatItCannotRewriteAndLeavesNothingBehind) {
  const Folder folder;
  const std::string fifo = folder / "fifo", file = folder / "numbers.txt",
                    second = folder / "second", sub = folder / "sub", big = folder / "big.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  std::ofstream(file) << kNumbers;
  ASSERT_EQ(link(file.c_str(), second.c_str()), 0);
  std::string many;
  while (many.size() < 256 * 1024) many += kNumbers;
  std::ofstream(big) << many;
  // A file system full at 64 KB, as the file size limit makes it.
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = previous;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto run = MaskInPlace({fifo, sub, second, big});
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
  const std::vector<std::pair<std::string, InputFault>> refused{
      {fifo, InputFault::NotRegularFile},
      {sub, InputFault::NotRegularFile},
      {second, InputFault::OtherHardLinks},
      {big, InputFault::CannotWriteBeside}};
  ASSERT_EQ(run.failures.size(), refused.size());
  for (std::size_t i = 0; i < refused.size(); ++i) {
    EXPECT_EQ(run.failures[i].path, refused[i].first);
    EXPECT_EQ(run.failures[i].fault, refused[i].second) << refused[i].first;
  }
  EXPECT_EQ(run.failures[2].otherLinks, 1u);
  EXPECT_EQ(run.failures[3].error, std::errc::file_too_large);
  EXPECT_EQ(Contents(file), kNumbers);
  EXPECT_EQ(Contents(big), many);
  struct stat status {};
  ASSERT_EQ(lstat(fifo.c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_EQ(folder.Names(),
            (std::vector<std::string>{"big.txt", "fifo", "numbers.txt", "second", "sub"}));
}

}  // namespace
}  // namespace kesmal

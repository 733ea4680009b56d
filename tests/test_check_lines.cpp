// The library's batch check, CheckLines: every line's record, in input
// order, on one thread or in blocks on several, whatever pieces the input
// arrives in.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <stdexcept>

#include "kesmal/check.h"
#include "rules/date_phrase.h"

namespace kesmal {
namespace {

// Hands out its text `piece` bytes at a time, as a pipe does: what has not
// arrived cannot be seen without waiting. Each wait notes how many lines the
// output held then; `failAt` makes the read there throw.
class Trickle : public std::streambuf {
 public:
  Trickle(std::string text, std::size_t piece, const std::ostringstream* out = nullptr,
          std::size_t failAt = std::string::npos)
      : text_(std::move(text)), piece_(piece), out_(out), failAt_(failAt) {}

  // Lines of input whole before each wait, and lines of output written by then.
  std::vector<std::pair<std::size_t, std::size_t>> waits;

 protected:
  int_type underflow() override {
    if (at_ == text_.size()) return traits_type::eof();
    if (at_ >= failAt_) throw std::runtime_error("read failed");
    if (out_) waits.emplace_back(Lines(text_.substr(0, at_)), Lines(out_->str()));
    const std::size_t size = std::min(piece_, text_.size() - at_);
    char* start = text_.data() + at_;
    setg(start, start, start + size);
    at_ += size;
    return traits_type::to_int_type(*start);
  }

 private:
  static std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }

  std::string text_;
  std::size_t piece_;
  const std::ostringstream* out_;
  std::size_t failAt_;
  std::size_t at_ = 0;
};

// Lines of every kind and length: valid and invalid numbers of each form,
// empty lines, CRLF, bytes that are not UTF-8, and now and then a line
// longer than a block of the reader.
std::string MixedLines(int count) {
  const char* kinds[] = {"A123456789", "a123456780",    "AB9876543",          "A1234563",
                         "",           "0001011000002", "11010519491231002X", "110105491231002",
                         "hello",      "\xff\xfe",      "E900000001",         "A123456(3)"};
  std::mt19937 random(5);
  std::string text;
  for (int line = 0; line < count; ++line) {
    if (line % 2500 == 1234) text += std::string(40000, 'x');
    text += kinds[random() % std::size(kinds)];
    text += line % 5 ? "\n" : "\r\n";
  }
  return text;
}

// Each line alone through one Checker.
std::string LineByLine(const std::string& text, const CheckOptions& options, bool& allValid) {
  Checker checker(options.output, options.rules);
  std::string out;
  allValid = true;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.ends_with('\r')) line.pop_back();
    allValid &= checker.Append(line, out);
  }
  return out;
}

struct BatchCase {
  const char* name;
  std::string text;
  std::size_t piece;  // bytes that arrive at once
};

class CheckLinesTest : public testing::TestWithParam<BatchCase> {};

TEST_P(CheckLinesTest, GivesEachLineItsRecordInOrderOnAnyNumberOfJobs) {
  const ScopedToday today({2026, 6, 15});
  const auto& row = GetParam();
  for (const Output output : {Output::Plain, Output::Json, Output::Csv}) {
    for (const auto rules : {std::optional<RuleSet>(), std::optional(RuleSet::Current)}) {
      CheckOptions options{output, rules, 1};
      bool expectedValid = false;
      const std::string expected = LineByLine(row.text, options, expectedValid);
      for (const unsigned jobs : {1u, 2u, 3u, 8u}) {
        options.jobs = jobs;
        Trickle input(row.text, row.piece);
        std::istream in(&input);
        std::ostringstream out;
        const bool allValid = CheckLines(in, options, out);
        ASSERT_EQ(out.str(), expected) << "jobs " << jobs;
        EXPECT_EQ(allValid, expectedValid) << "jobs " << jobs;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    , CheckLinesTest,
    testing::Values(BatchCase{"empty_input", "", 4096},
                    BatchCase{"one_valid_line_without_a_line_end", "A123456789", 4096},
                    BatchCase{"empty_lines_only", "\n\r\n\n", 1},
                    BatchCase{"one_invalid_among_valid", "A123456789\nA123456788\nAB9876543\n",
                              4096},
                    // Pieces of 7 bytes cut each number somewhere, and one read in two.
                    BatchCase{"numbers_cut_between_reads", MixedLines(1000), 7},
                    BatchCase{"many_blocks_at_once", MixedLines(20000), 1 << 20},
                    BatchCase{"many_blocks_in_pieces", MixedLines(20000), 5000}),
    [](const auto& info) { return std::string(info.param.name); });

// A script that writes a line and waits for its answer must get it: before
// every read that waits, each whole line read so far has its record out.
TEST(CheckLines, AnswersEveryWholeLineBeforeWaitingForMore) {
  const ScopedToday today({2026, 6, 15});
  const std::string text = "A123456789\nAB9876543\n\n0001011000002\nA12";
  for (const unsigned jobs : {1u, 4u}) {
    std::ostringstream out;
    Trickle input(text, 11, &out);
    std::istream in(&input);
    CheckLines(in, {Output::Json, std::nullopt, jobs}, out);
    ASSERT_FALSE(input.waits.empty());
    for (const auto& [linesIn, linesOut] : input.waits)
      EXPECT_EQ(linesOut, linesIn) << "jobs " << jobs;
    const std::string written = out.str();
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 5);
  }
}

// A failed read ends the batch with its error, threads and all.
TEST(CheckLines, AReadThatFailsRaisesItsError) {
  const std::string text = MixedLines(20000);
  for (const unsigned jobs : {1u, 2u, 8u}) {
    Trickle input(text, 3000, nullptr, text.size() / 2);
    std::istream in(&input);
    std::ostringstream out;
    EXPECT_ANY_THROW(CheckLines(in, {Output::Csv, std::nullopt, jobs}, out)) << "jobs " << jobs;
  }
}

}  // namespace
}  // namespace kesmal

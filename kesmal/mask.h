#pragma once
// Masking: text written again with every number a scan finds replaced, and
// every other byte as it was. A number becomes its pseudonym under a key
// (kesmal/pseudonym.h), written in the form it stood in (length, letter
// case, hyphen, brackets, full width), or is redacted to asterisks but for
// its kept fields.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kesmal/pseudonym.h"
#include "kesmal/scan.h"
#include "kesmal/searcher.h"

namespace kesmal {

// What becomes of a near miss, a number wrong by its check character alone.
enum class NearMisses {
  // Masked as a near miss: the rest enciphered as the right number's, and the
  // check character as far from the pseudonym's right one as it was from the
  // number's, so that the reverse gives it back. Redacted under redaction.
  Mask,
  Keep,   // left, and counted
  Redact  // for good
};

struct MaskOptions {
  std::optional<MaskKey> key;  // none: redaction
  KeepSet keep;
  MaskDirection direction = MaskDirection::Encipher;
  RuleSet rules = RuleSet::Classic;
  JurisdictionSet only = JurisdictionSet::All();
  bool implausible = false;  // every valid number is masked, plausible or not
  NearMisses nearMisses = NearMisses::Mask;
};

// The scan a masker makes of its text: every finding it may replace.
ScanOptions MaskScanOptions(const MaskOptions& options);

// Throws MaskError for options that cannot serve: a pseudonym without a
// key, or a keep set that leaves some jurisdiction looked for fewer numbers
// than a pseudonym needs.
void ValidateMask(const MaskOptions& options);

// What a masker did, for the summary.
struct MaskCounts {
  std::array<std::uint64_t, kJurisdictionCount> replaced{};  // by Jurisdiction
  std::uint64_t nearMissesMasked = 0;
  std::uint64_t nearMissesLeft = 0;
  std::uint64_t nearMissesRedacted = 0;
};

// "masked 3 numbers (tw 1, cn 2); masked 2 near misses; left 1 near miss"
std::string MaskSummary(const MaskCounts& counts, bool redacted);

// The masker, a sink of the searcher (kesmal/searcher.h): it takes the
// findings and then every byte of the input in order, and writes the bytes
// with each number it replaces written anew, holding no text of its own but
// the numbers waiting for their pseudonyms. Or fed one input in pieces of
// any size: Feed each piece, then Finish once; the masked bytes go to the
// writer as they are decided, in order.
class TextMasker : public SearchSink {
 public:
  explicit TextMasker(const MaskOptions& options);  // validates them
  TextMasker(const TextMasker&) = delete;
  TextMasker& operator=(const TextMasker&) = delete;

  // `write(std::string_view)` receives the output.
  template <typename Write>
  void Feed(std::string_view piece, Write&& write) {
    FeedInto(piece, buffer_);
    WriteBuffer(write);
  }
  template <typename Write>
  void Finish(Write&& write) {
    FinishInto(buffer_);
    WriteBuffer(write);
  }
  // The same, appending the output to out.
  void FeedInto(std::string_view piece, std::string& out);
  void FinishInto(std::string& out);

  // Of every input finished.
  const MaskCounts& Counts() const { return counts_; }

  // The masked form of one written number (as a scan finds it); none when
  // the text is not one number that is masked. Only between inputs: it
  // starts the masker afresh.
  std::optional<std::string> MaskNumber(std::string_view written);

  void BeginInput(const InputName& input) override;
  bool Found(const Finding& finding, std::string& out) override;
  void Passed(std::string_view bytes, SearchOutput& out) override;
  void EndInput(const InputName& input, std::uint64_t findings, std::string& out) override;
  bool TakesBytes() const override { return true; }

 private:
  template <typename Write>
  void WriteBuffer(Write& write) {
    if (!buffer_.empty()) write(std::string_view(buffer_));
    buffer_.clear();
  }

  void Replace(const Finding& finding);
  // The pseudonyms of the numbers waiting, enciphered together.
  void ResolvePseudonyms();

  struct Replacement {
    std::uint64_t offset;
    std::uint64_t length;
    std::string text;      // what is written in its place; as written while it waits
    bool waiting = false;  // for its pseudonym
    Jurisdiction jurisdiction = Jurisdiction::Taiwan;
    char check = 0;          // a near miss's right check character
    std::uint8_t shift = 0;  // how far the written one stands past it
  };

  MaskOptions options_;
  std::optional<Pseudonymizer> pseudonymizer_;
  std::optional<PieceSearch> search_;  // of the input being fed
  StringOutput fedOut_;                // what it writes, into the string of the call
  std::string records_;                // none: a masker writes bytes alone
  std::string written_;                // short runs of bytes gathered into one write
  std::string buffer_;                 // what one Feed writes
  std::uint64_t passed_ = 0;           // the offset after the last byte passed
  std::uint64_t resume_ = 0;           // after the last replacement written
  std::vector<Replacement> replacements_;
  std::size_t waiting_ = 0;  // the first replacement waiting for its pseudonym
  std::vector<std::string> numbers_, pseudonyms_;
  std::vector<std::string_view> numberViews_;
  std::vector<std::uint8_t> shifts_;
  MaskCounts input_;   // of the input being masked
  MaskCounts counts_;  // of every input finished
};

struct MaskRequest {
  std::vector<std::string> paths;  // none, or "-": standard input
  MaskOptions options;
  bool inPlace = false;       // each FILE rewritten through a temporary file beside it
  FailureCallback onFailure;  // told of each input not masked, as it fails
};

struct MaskResult {
  MaskCounts counts;  // of the inputs masked
  std::vector<InputFailure> failures;
  bool outputFailed = false;  // out could not be written; the rest was not read
};

// Masks every input to out, or each file in place: written to a temporary
// file in its folder, which replaces it only once complete, so that an
// interrupted run leaves every file as it was. An input that cannot be read
// or rewritten is reported and the others are still masked.
MaskResult MaskInputs(const MaskRequest& request, std::istream& in, std::ostream& out);

// The whole text masked.
std::string MaskText(std::string_view text, const MaskOptions& options,
                     MaskCounts* counts = nullptr);

}  // namespace kesmal

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

// Masks one input read in pieces of any size: Feed each piece, then Finish
// once; the masked bytes go to the sink as they are decided, in order.
class TextMasker {
 public:
  explicit TextMasker(const MaskOptions& options);  // validates them
  TextMasker(const TextMasker&) = delete;
  TextMasker& operator=(const TextMasker&) = delete;

  // `write(std::string_view)` receives the output.
  template <typename Write>
  void Feed(std::string_view piece, Write&& write) {
    piece_ = piece;
    scanner_.Feed(piece, [&](const Finding& finding) { Replace(finding); });
    fed_ += piece.size();
    Release(fed_ > kHold ? fed_ - kHold : 0, write);
    piece_ = {};
  }
  template <typename Write>
  void Finish(Write&& write) {
    scanner_.Finish([&](const Finding& finding) { Replace(finding); });
    Release(fed_, write);
  }

  const MaskCounts& Counts() const { return counts_; }

  // The masked form of one written number (as a scan finds it); none when
  // the text is not one number that is masked. Only between inputs: it
  // starts the masker afresh.
  std::optional<std::string> MaskNumber(std::string_view written);

 private:
  // A finding never starts further back than this from the last byte fed.
  static constexpr std::size_t kHold = Scanner::kBehind + Scanner::kAhead + 64;

  void Replace(const Finding& finding);
  // The pseudonyms of the numbers waiting, enciphered together.
  void ResolvePseudonyms();

  // Writes what is decided up to `upTo`, each replacement in place of its
  // text, and holds the rest: the bytes held, then the piece being fed.
  template <typename Write>
  void Release(std::uint64_t upTo, Write& write) {
    ResolvePseudonyms();
    std::uint64_t at = start_;
    for (; next_ < replacements_.size() && replacements_[next_].offset < upTo; ++next_) {
      const auto& replacement = replacements_[next_];
      WriteRange(at, replacement.offset, write);
      write(std::string_view(replacement.text));
      at = replacement.offset + replacement.length;
    }
    replacements_.erase(replacements_.begin(), replacements_.begin() + static_cast<long>(next_));
    waiting_ -= std::min(waiting_, next_);
    next_ = 0;
    const std::uint64_t end = std::max(at, upTo);
    WriteRange(at, end, write);
    Hold(end);
  }

  template <typename Write>
  void WriteRange(std::uint64_t from, std::uint64_t to, Write& write) const {
    const std::uint64_t pieceStart = fed_ - piece_.size();
    if (from < pieceStart)
      write(std::string_view(held_).substr(from - start_, std::min(to, pieceStart) - from));
    if (to > pieceStart) {
      const std::uint64_t first = std::max(from, pieceStart);
      write(piece_.substr(first - pieceStart, to - first));
    }
  }

  // The bytes from `offset` on, as held and fed, for what is not written.
  void Hold(std::uint64_t offset);
  // The written text of a replacement; `scratch` holds it when it spans the
  // bytes held and the piece.
  std::string_view TextAt(std::uint64_t offset, std::uint64_t length, std::string& scratch) const;

  struct Replacement {
    std::uint64_t offset;
    std::uint64_t length;
    std::string text;
    bool waiting = false;  // for its pseudonym
    Jurisdiction jurisdiction = Jurisdiction::Taiwan;
    char check = 0;          // a near miss's right check character
    std::uint8_t shift = 0;  // how far the written one stands past it
  };

  MaskOptions options_;
  std::optional<Pseudonymizer> pseudonymizer_;
  Scanner scanner_;
  std::string held_;         // fed before the piece, not yet written
  std::uint64_t start_ = 0;  // the offset of held_
  std::string_view piece_;   // being fed
  std::uint64_t fed_ = 0;
  std::vector<Replacement> replacements_;
  std::size_t next_ = 0;
  std::size_t waiting_ = 0;  // the first replacement waiting for its pseudonym
  std::vector<std::string> numbers_, pseudonyms_;
  std::vector<std::string_view> numberViews_;
  std::vector<std::uint8_t> shifts_;
  MaskCounts counts_;
};

struct MaskRequest {
  std::vector<std::string> paths;  // none, or "-": standard input
  MaskOptions options;
  bool inPlace = false;  // each FILE rewritten through a temporary file beside it
  // The caller's name before each message on err; the messages alone when empty.
  std::string program;
};

// Masks every input to out, or each file in place: written to a temporary
// file in its folder, which replaces it only once complete, so that an
// interrupted run leaves every file as it was. An input that cannot be read
// or rewritten is named on err and the others are still masked. Ends err
// with the summary; returns 0, or 2 after an error, when the summary is
// left out if out could not be written.
int MaskInputs(const MaskRequest& request, std::istream& in, std::ostream& out, std::ostream& err);

// The whole text masked.
std::string MaskText(std::string_view text, const MaskOptions& options,
                     MaskCounts* counts = nullptr);

}  // namespace kesmal

#pragma once
// Finds identity numbers in any text: logs, exports, mail, documents. A
// Scanner reads one input in pieces of any size and hands each number it finds
// to a sink, in input order, holding no more than a few hundred bytes of the
// input between pieces, however long its lines.
//
// A number is found in every form people write it: as the check takes it
// (letters in either case, the mainland's x), the old 15-digit mainland form,
// Korea with a hyphen after the sixth digit (850503-1234567, also the
// full-width －), Hong Kong with its check character in brackets (A123456(3),
// AB987654 (3), A123456（3）), and any of these in full-width letters and digits
// (Ａ１２３４５６７８９), alone or mixed with ASCII ones. The characters just
// before and after it must not be letters or digits, ASCII or full-width; CJK
// text, punctuation, spaces and line ends bound a number, so
// 身分證A123456789號 holds one, and 1234567890123456789 and xA123456789 none.
//
// The input is read as bytes, never decoded: ASCII numbers in GBK, Big5 or
// EUC-KR text are found too (a letter that is the second byte of a Big5 or GBK
// character counts as part of that character), and full-width characters are
// matched as their UTF-8 bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "rules/id_report.h"
#include "rules/jurisdictions.h"
#include "rules/rule_set.h"

namespace kesmal {

// Which jurisdictions a scan looks for.
class JurisdictionSet {
 public:
  static constexpr JurisdictionSet All() { return JurisdictionSet((1u << kJurisdictionCount) - 1); }
  static constexpr JurisdictionSet None() { return JurisdictionSet(0); }

  constexpr JurisdictionSet& Add(Jurisdiction jurisdiction) {
    bits_ |= Bit(jurisdiction);
    return *this;
  }
  constexpr bool Holds(Jurisdiction jurisdiction) const { return bits_ & Bit(jurisdiction); }
  constexpr bool Empty() const { return bits_ == 0; }
  friend constexpr bool operator==(JurisdictionSet, JurisdictionSet) = default;

 private:
  constexpr explicit JurisdictionSet(unsigned bits) : bits_(bits) {}
  static constexpr unsigned Bit(Jurisdiction jurisdiction) {
    return 1u << static_cast<unsigned>(jurisdiction);
  }
  unsigned bits_;
};

// "tw,hk,cn,cn15,kr", any of them in any order, as every front end takes
// them; none for an empty list, an empty item or an unknown name.
std::optional<JurisdictionSet> ParseJurisdictionList(std::string_view list);

struct ScanOptions {
  RuleSet rules = RuleSet::Classic;
  // Also numbers that fail their check by their check character alone, their
  // shape, date and region plausible: a mistyped number is personal data too.
  bool nearMisses = false;
  // Also valid numbers that no real card could carry (see Finding::plausible).
  bool implausible = false;
  JurisdictionSet only = JurisdictionSet::All();
  // The finding's report holds its text; a masker needs the analysis alone.
  bool reportText = true;
  // Also valid numbers whose birth alone is implausible (after today, or past
  // any record age), and near misses of them: a masker's numbers must be the
  // same whatever day it runs. Finding::plausible still judges by today.
  bool anyBirth = false;
};

// One number found. Its views and the report are the scanner's, valid only
// during the sink's call.
struct Finding {
  std::uint64_t offset;     // bytes from the start of the input
  std::uint32_t length;     // bytes, as written
  std::uint64_t line;       // from 1
  std::uint64_t column;     // bytes from 1, as grep --column counts
  std::string_view text;    // as written
  std::string_view number;  // canonical: ASCII, capitals, no hyphen, space or bracket
  Jurisdiction jurisdiction;
  bool valid;  // false for a near miss, which with its right check character is plausible
  // Nothing in it contradicts a real card: a mainland number's first two
  // digits name a province of the tables (under today's rules also 81, 82 or
  // 83) and its birth is neither after today nor past any record age; an old
  // mainland number's region code is in the tables; a Korean birth is no later
  // than today; Taiwan and Hong Kong numbers always are.
  bool plausible;
  // The check of `number` under the scan's rules, its text in UTF-8: the
  // fields of its check's JSON object.
  const IdReport& report;
};

class FindingSink;

// Any callable taking a Finding, returning nothing or a bool.
template <typename Receiver>
concept FindingReceiver = !std::is_same_v<std::remove_cvref_t<Receiver>, FindingSink> &&
                          std::is_invocable_v<Receiver&, const Finding&>;

// A reference to what receives the findings, which returns nothing or
// whether the scan goes on (false stops it: -l and -q need only the first).
// It must outlive the call it is passed to, as a lambda written in that call
// does; it converts implicitly, so that the lambda is passed as it is.
class FindingSink {
 public:
  template <FindingReceiver Receiver>
  FindingSink(Receiver&& receiver)
      : receiver_(const_cast<void*>(static_cast<const void*>(&receiver))),
        call_(&Call<std::remove_reference_t<Receiver>>) {}

  // Whether the scan goes on.
  bool operator()(const Finding& finding) const { return call_(receiver_, finding); }

 private:
  template <typename Receiver>
  static bool Call(void* receiver, const Finding& finding) {
    auto& receive = *static_cast<Receiver*>(receiver);
    if constexpr (std::is_void_v<std::invoke_result_t<Receiver&, const Finding&>>) {
      receive(finding);
      return true;
    } else {
      return static_cast<bool>(receive(finding));
    }
  }

  void* receiver_;
  bool (*call_)(void*, const Finding&);
};

// Where an input starts: a driver that cuts one input into blocks at line
// ends, to scan them on several threads, starts each block's scanner at the
// block's offset and line.
struct ScanStart {
  std::uint64_t offset = 0;
  std::uint64_t line = 1;
};

// The scan of one input. Feed it the input's bytes piece after piece, then
// call Finish once, after the last piece; each finding goes to the sink of
// the call that completes it, at its true offset however the pieces were cut.
// One scanner serves one thread; scanners on other threads are independent.
class Scanner {
 public:
  // The input starts at `start`, at the beginning of a line.
  explicit Scanner(const ScanOptions& options, ScanStart start = {});

  // Scans a piece of any size, empty included. Does nothing once a sink has
  // stopped the scan.
  void Feed(std::string_view piece, FindingSink sink);
  // Scans what the last pieces left undecided: the input ends here.
  void Finish(FindingSink sink);

  // Whether a sink has stopped the scan; a reader may stop reading.
  bool Stopped() const { return stopped_; }
  std::uint64_t FindingCount() const { return findings_; }

  // The bytes a number may need before the byte that starts its search (its
  // digits, two letters, the character before them and the Big5 or GBK bytes
  // that tell whether that is a letter), and after it.
  static constexpr std::size_t kBehind = 224;
  static constexpr std::size_t kAhead = 64;

 private:
  friend class ScanPass;  // the work of one Feed or Finish

  void Keep(std::string_view piece);

  ScanOptions options_;
  std::uint64_t start_;          // the offset of the input's first byte
  std::uint64_t fed_;            // the offset after the last byte fed
  std::uint64_t scanned_;        // numbers are searched up to here; fed_ - scanned_ <= kAhead
  std::uint64_t line_;           // the line at scanned_
  std::uint64_t lineStart_;      // the offset where that line starts
  char kept_[kBehind + kAhead];  // the last bytes fed, up to fed_
  std::size_t keptSize_ = 0;
  IdReport report_;
  std::string number_;
  std::uint64_t findings_ = 0;
  bool stopped_ = false;
};

// Scans a whole byte range as one input; the number of findings the sink took.
std::uint64_t Scan(std::string_view input, const ScanOptions& options, FindingSink sink);

}  // namespace kesmal

#include "kesmal/scan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "data/regions.h"
#include "rules/ascii.h"
#include "rules/china.h"
#include "rules/current.h"
#include "rules/hong_kong.h"
#include "rules/layout.h"
#include "rules/layout_china.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kesmal {
namespace {

// No form holds more digits in one run than the mainland's eighteen.
constexpr std::size_t kLongestRun = 18;
// Every form holds a run of at least six digits.
constexpr std::size_t kShortestRun = 6;
// The bytes a search reads before its first: 19 full-width digits, three
// letters and the character before them.
constexpr std::size_t kSearchReach = (kLongestRun + 1 + 3 + 1) * 3;
// Bytes above 0x7F before a letter, read back to tell whether it is the
// second byte of a Big5 or GBK character.
constexpr std::size_t kLongestPairedRun = 128;
static_assert(Scanner::kBehind >= kSearchReach + kLongestPairedRun);
// After its first byte a search reads the rest of 19 full-width digits, or a
// mainland number's X or a Korean number's hyphen and seven digits, and the
// character after them.
static_assert(Scanner::kAhead >= (kLongestRun + 1) * 3 + 3);

// What one character of a number can be, with its canonical ASCII character
// and its length in bytes: an ASCII byte, or a full-width character's three
// UTF-8 bytes. Unknown lies beyond the bytes at hand.
enum class Kind : std::uint8_t { Digit, Letter, Hyphen, Open, Close, Space, Other, Unknown };

struct Unit {
  Kind kind;
  char ascii = '\0';
  std::uint8_t bytes = 1;
};

constexpr Unit kEdge{Kind::Other, '\0', 0};
constexpr Unit kUnknown{Kind::Unknown, '\0', 0};

constexpr bool Bounds(const Unit& unit) {
  return unit.kind != Kind::Digit && unit.kind != Kind::Letter && unit.kind != Kind::Unknown;
}

constexpr Unit ClassifyAscii(unsigned char c) {
  if (c >= '0' && c <= '9') return {Kind::Digit, static_cast<char>(c)};
  if (c >= 'A' && c <= 'Z') return {Kind::Letter, static_cast<char>(c)};
  if (c >= 'a' && c <= 'z') return {Kind::Letter, static_cast<char>(c - 'a' + 'A')};
  switch (c) {
    case '-': return {Kind::Hyphen, '-'};
    case '(': return {Kind::Open, '('};
    case ')': return {Kind::Close, ')'};
    case ' ': return {Kind::Space, ' '};
    default: return {Kind::Other};
  }
}

// Bytes above 0x7F are Other: alone, none is part of a number.
constexpr auto kByteUnits = [] {
  std::array<Unit, 256> units{};
  for (std::size_t c = 0; c < units.size(); ++c)
    units[c] = ClassifyAscii(static_cast<unsigned char>(c));
  return units;
}();

constexpr Unit ByteUnit(unsigned char c) { return kByteUnits[c]; }

// The character U+FF00 + ..., from the last two bytes of EF BC xx or EF BD xx.
constexpr Unit FullWidthUnit(unsigned char second, unsigned char third) {
  if (second == 0xBC) {
    if (third >= 0x90 && third <= 0x99)
      return {Kind::Digit, static_cast<char>('0' + third - 0x90), 3};
    if (third >= 0xA1 && third <= 0xBA)
      return {Kind::Letter, static_cast<char>('A' + third - 0xA1), 3};
    if (third == 0x8D) return {Kind::Hyphen, '-', 3};
    if (third == 0x88) return {Kind::Open, '(', 3};
    if (third == 0x89) return {Kind::Close, ')', 3};
  } else if (second == 0xBD && third >= 0x81 && third <= 0x9A) {
    return {Kind::Letter, static_cast<char>('A' + third - 0x81), 3};
  }
  return {Kind::Other};
}

// Whether [from, to) is whole UTF-8 characters of two to four bytes.
bool WholeUtf8(const unsigned char* from, const unsigned char* to) {
  while (from < to) {
    const unsigned char lead = *from;
    const int length = lead >= 0xF0 && lead <= 0xF4   ? 4
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                                                      : 0;
    if (length == 0 || to - from < length) return false;
    for (int k = 1; k < length; ++k)
      if ((from[k] & 0xC0) != 0x80) return false;
    from += length;
  }
  return true;
}

// Bytes of the input at hand: offsets [base, base + size). At the input's
// start or end, what lies beyond bounds a number; elsewhere it is unknown.
struct Window {
  const unsigned char* data;
  std::size_t size;
  std::uint64_t base;
  bool atStart;
  bool atEnd;

  Unit At(std::size_t at) const {
    if (at >= size) return atEnd ? kEdge : kUnknown;
    if (data[at] < 0x80) return ByteUnit(data[at]);
    if (data[at] != 0xEF) return {Kind::Other};
    if (at + 3 > size) return atEnd ? Unit{Kind::Other} : kUnknown;
    return FullWidthUnit(data[at + 1], data[at + 2]);
  }

  // The character that ends where `at` starts.
  Unit Before(std::size_t at) const {
    if (at == 0) return atStart ? kEdge : kUnknown;
    const unsigned char last = data[at - 1];
    if (last < 0x80) {
      const Unit unit = ByteUnit(last);
      return unit.kind == Kind::Letter && SecondOfDoubleByte(at - 1) ? Unit{Kind::Other} : unit;
    }
    if (at < 3) return atStart ? Unit{Kind::Other} : kUnknown;
    if (data[at - 3] != 0xEF) return {Kind::Other};
    return FullWidthUnit(data[at - 2], last);
  }

  // Whether the ASCII byte at `at` is the second byte of a Big5 or GBK
  // character: it follows a run of bytes above 0x7F that is no whole UTF-8
  // and, read as pairs from its start, leaves its last byte without a partner.
  // A longer run than every window holds is taken for no pairs, so that how
  // the input was cut changes nothing.
  bool SecondOfDoubleByte(std::size_t at) const {
    std::size_t runStart = at;
    while (runStart > 0 && data[runStart - 1] >= 0x80)
      if (at - --runStart > kLongestPairedRun) return false;
    if (runStart == at || (runStart == 0 && !atStart)) return false;
    return (at - runStart) % 2 == 1 && !WholeUtf8(data + runStart, data + at);
  }
};

// The line a search starts on.
struct Place {
  std::uint64_t line;
  std::uint64_t lineStart;  // its first byte's offset
};

// The byte where the search of the digit run from `runStart` begins: its
// first full-width digit, or its sixth ASCII digit, whichever comes first.
// Several bytes of a run may start a search; only this one goes on, so that a
// number is found once.
std::size_t SearchStartOfRun(const Window& window, std::size_t runStart) {
  std::size_t at = runStart;
  for (std::size_t count = 1;; ++count) {
    const Unit unit = window.At(at);
    if (unit.kind != Kind::Digit) return SIZE_MAX;
    if (unit.bytes == 3 || count == kShortestRun) return at;
    at += unit.bytes;
  }
}

// Whether that many letters and digits can start a form: the digits of a
// mainland number may be followed by its X, and six by a hyphen or a bracket.
constexpr bool RunFitsAForm(int letters, std::size_t digits) {
  switch (letters) {
    case 0: return digits == 6 || digits == 13 || digits == 15 || digits == 17 || digits == 18;
    case 1: return digits == 6 || digits == 7 || digits == 9;
    case 2: return digits == 6 || digits == 7 || digits == 8;
    default: return false;
  }
}

bool BornInRecordedTime(const std::optional<Birthday>& birthday) {
  return birthday && !birthday->notYetBorn && !birthday->recordAge;
}

// Sixteen bytes at a time: the bit of each byte that passes a test.
using Bytes = unsigned char __attribute__((vector_size(16)));
using Truths = signed char __attribute__((vector_size(16)));

std::uint64_t BitsOf(Truths truths) {
#if defined(__SSE2__)
  return static_cast<std::uint32_t>(_mm_movemask_epi8(std::bit_cast<__m128i>(truths)));
#else
  std::uint64_t bits = 0;
  for (int i = 0; i < 16; ++i) bits |= static_cast<std::uint64_t>(truths[i] != 0) << i;
  return bits;
#endif
}

Bytes Load(const unsigned char* at) {
  Bytes bytes;
  std::memcpy(&bytes, at, sizeof bytes);
  return bytes;
}

// What the fast pass sees of 64 bytes: ASCII digits, first bytes of
// full-width digits, and line ends.
struct Block {
  std::uint64_t digits = 0;
  std::uint64_t fullWidthDigits = 0;
  std::uint64_t lineEnds = 0;
};

constexpr std::size_t kBlock = 64;
// A full-width digit is recognised from its first byte and the two after it.
constexpr std::size_t kBlockReach = kBlock + 2;

Block ReadBlock(const unsigned char* at) {
  Block block;
  for (std::size_t i = 0; i < kBlock; i += 16) {
    const Bytes bytes = Load(at + i);
    block.digits |= BitsOf(bytes - '0' <= 9) << i;
    block.lineEnds |= BitsOf(bytes == '\n') << i;
    const Truths leads = bytes == 0xEF;
    if (BitsOf(leads) == 0) continue;
    const Bytes thirds = Load(at + i + 2);
    block.fullWidthDigits |= BitsOf(leads & (Load(at + i + 1) == 0xBC) & (thirds - 0x90 <= 9)) << i;
  }
  return block;
}

// Line ends are few in a block: fewer steps than a call for the population count
// on processors without its instruction.
constexpr int CountBits(std::uint64_t bits) {
  int count = 0;
  for (; bits; bits &= bits - 1) ++count;
  return count;
}

// `bits` with the bits of the previous block moved in from below.
constexpr std::uint64_t ShiftIn(std::uint64_t bits, std::uint64_t previous, int by) {
  return bits << by | previous >> (64 - by);
}

// The digit bits of the six bytes before `at`, as the top bits of a block.
std::uint64_t DigitsBefore(const Window& window, std::size_t at) {
  std::uint64_t bits = 0;
  for (std::size_t back = 1; back <= kShortestRun && back <= at; ++back)
    if (ByteUnit(window.data[at - back]).kind == Kind::Digit)
      bits |= std::uint64_t{1} << (64 - back);
  return bits;
}

// Bits of the ASCII digits that end a run of six.
constexpr std::uint64_t SixthDigits(std::uint64_t digits, std::uint64_t previousDigits) {
  std::uint64_t six = digits;
  for (int by = 1; by < static_cast<int>(kShortestRun); ++by)
    six &= ShiftIn(digits, previousDigits, by);
  return six;
}

}  // namespace

std::optional<JurisdictionSet> ParseJurisdictionList(std::string_view list) {
  JurisdictionSet set = JurisdictionSet::None();
  while (true) {
    const std::size_t comma = list.find(',');
    const auto known = JurisdictionNamed(list.substr(0, comma));
    if (!known) return std::nullopt;
    set.Add(*known);
    if (comma == std::string_view::npos) return set;
    list.remove_prefix(comma + 1);
  }
}

// The work of one Feed or Finish: the fast pass over the bytes, and the
// judgement of each candidate it stops at.
class ScanPass {
 public:
  ScanPass(Scanner& scanner, FindingSink sink) : scanner_(scanner), sink_(sink) {}

  // Searches from each byte of [from, to) that may start a search, and counts
  // those bytes' lines.
  void Range(const Window& window, std::size_t from, std::size_t to);

 private:
  void Search(const Window& window, std::size_t at, const Place& place);
  bool KoreaAfterHyphen(const Window& window, std::size_t& end);
  bool BracketedCheck(const Window& window, std::size_t& end);
  void Judge(const Window& window, std::size_t begin, std::size_t end, int letters,
             const Place& place);
  bool SettledByAsciiBytes(const Window& window, std::size_t at, std::size_t end) const;
  bool SettledUnreported(std::string_view number, Jurisdiction form) const;
  bool KnownProvince(int province) const;
  bool Plausible(const IdAnalysis& analysis) const;
  bool PlausibleSomeDay(const IdAnalysis& analysis) const;
  bool NearMiss(const IdAnalysis& analysis) const;

  Scanner& scanner_;
  FindingSink sink_;
  std::uint64_t searchedUpTo_ = 0;  // the end of the last digit run searched
};

void ScanPass::Range(const Window& window, std::size_t from, std::size_t to) {
  std::uint64_t previousDigits = DigitsBefore(window, from);
  std::uint64_t previousSix =
      previousDigits >> (64 - kShortestRun) == 0x3F ? std::uint64_t{1} << 63 : 0;
  alignas(16) unsigned char padded[kBlock + 16];
  for (std::size_t at = from; at < to && !scanner_.stopped_; at += kBlock) {
    const unsigned char* bytes = window.data + at;
    if (at + kBlockReach > window.size) {
      std::memset(padded, 0, sizeof padded);
      std::memcpy(padded, bytes, window.size - at);
      bytes = padded;
    }
    const Block block = ReadBlock(bytes);
    const std::uint64_t inRange =
        to - at >= kBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << (to - at)) - 1;
    const std::uint64_t six = SixthDigits(block.digits, previousDigits);
    std::uint64_t starts = (six & ~ShiftIn(six, previousSix, 1)) | block.fullWidthDigits;
    starts &= inRange;
    const std::uint64_t lineEnds = block.lineEnds & inRange;
    previousDigits = block.digits;
    previousSix = six;
    for (; starts && !scanner_.stopped_; starts &= starts - 1) {
      const int bit = std::countr_zero(starts);
      if (window.base + at + bit < searchedUpTo_) continue;
      // Past the block the run's end is looked for byte by byte.
      const std::size_t runEnd = at + bit + std::countr_one(block.digits >> bit);
      if (SettledByAsciiBytes(window, at + bit, runEnd)) continue;
      const std::uint64_t endsBefore = lineEnds & ((std::uint64_t{1} << bit) - 1);
      const Place place{
          scanner_.line_ + CountBits(endsBefore),
          endsBefore ? window.base + at + 64 - std::countl_zero(endsBefore) : scanner_.lineStart_};
      Search(window, at + bit, place);
    }
    scanner_.line_ += CountBits(lineEnds);
    if (lineEnds) scanner_.lineStart_ = window.base + at + 64 - std::countl_zero(lineEnds);
  }
}

// Most runs of digits stand among ASCII bytes, and their length, the letters
// before them and the byte after them settle them: order numbers in paths,
// timestamps, hashes, device numbers. True when the bytes around the sixth
// ASCII digit of a run at `at`, its digits known up to `end`, show that it
// gives no finding; false when the search must decide.
bool ScanPass::SettledByAsciiBytes(const Window& window, std::size_t at, std::size_t end) const {
  const unsigned char* data = window.data;
  if (at < kShortestRun || data[at] >= 0x80) return false;
  while (end < window.size && IsDigit(static_cast<char>(data[end]))) ++end;
  if (end >= window.size || data[end] >= 0x80) return false;
  std::size_t before = at - kShortestRun;
  int letters = 0;
  for (; letters <= 2 && ByteUnit(data[before]).kind == Kind::Letter; ++letters) {
    if (before == 0) return false;
    --before;
  }
  // A letter after a byte above 0x7F may be the second byte of a Big5 character.
  if (data[before] >= 0x80) return false;
  const std::size_t runStart = at + 1 - kShortestRun;
  const std::size_t digits = end - runStart;
  if (letters > 2 || ByteUnit(data[before]).kind == Kind::Digit || digits > kLongestRun ||
      !RunFitsAForm(letters, digits))
    return true;
  const Kind next = ByteUnit(data[end]).kind;
  if (next == Kind::Letter || (digits == kShortestRun && next != Kind::Other)) return false;
  const auto form = KindOfShape(letters + digits, letters, scanner_.options_.rules);
  if (!form || !scanner_.options_.only.Holds(*form)) return true;
  return letters == 0 &&
         SettledUnreported({reinterpret_cast<const char*>(data) + runStart, digits}, *form);
}

// A candidate is its digit run, the letters before it, and what follows it:
// a letter, a hyphen and seven digits, or a bracketed check character.
void ScanPass::Search(const Window& window, std::size_t at, const Place& place) {
  std::size_t digits = 0;
  std::size_t runEnd = at;
  for (Unit unit; (unit = window.At(runEnd)).kind == Kind::Digit; runEnd += unit.bytes) ++digits;
  // Every later start in the run would search the same run.
  searchedUpTo_ = window.base + runEnd;
  std::size_t runStart = at;
  for (Unit unit; (unit = window.Before(runStart)).kind == Kind::Digit; runStart -= unit.bytes)
    if (++digits > kLongestRun) return;
  if (digits > kLongestRun) return;
  // A run of ASCII digits is searched from its sixth, where the fast pass stops.
  const bool asciiStart = runStart + kShortestRun - 1 == at && window.data[at] < 0x80;
  if (!asciiStart && SearchStartOfRun(window, runStart) != at) return;

  int letters = 0;
  std::size_t begin = runStart;
  for (Unit unit; (unit = window.Before(begin)).kind == Kind::Letter; begin -= unit.bytes)
    if (++letters > 2) return;
  if (!RunFitsAForm(letters, digits) || !Bounds(window.Before(begin))) return;

  std::size_t end = runEnd;
  const Unit next = window.At(runEnd);
  // Six digits alone make no number, so the form they start is all there is.
  if (next.kind == Kind::Hyphen && letters == 0 && digits == kShortestRun) {
    if (!KoreaAfterHyphen(window, end)) return;
  } else if ((next.kind == Kind::Open || next.kind == Kind::Space) && letters > 0 &&
             digits == kShortestRun) {
    if (!BracketedCheck(window, end)) return;
  } else if (next.kind == Kind::Letter) {
    end += next.bytes;
    if (!Bounds(window.At(end))) return;
  } else if (!Bounds(next)) {
    return;
  }
  Judge(window, begin, end, letters, place);
}

// From the hyphen at `end`: seven digits and a boundary; `end` moved past them.
bool ScanPass::KoreaAfterHyphen(const Window& window, std::size_t& end) {
  std::size_t at = end + window.At(end).bytes;
  for (int count = 0; count < 7; ++count) {
    const Unit unit = window.At(at);
    if (unit.kind != Kind::Digit) return false;
    at += unit.bytes;
  }
  if (!Bounds(window.At(at))) return false;
  end = at;
  return true;
}

// From `end`: an optional space, a bracket, the check character, a bracket
// and a boundary; `end` moved past them.
bool ScanPass::BracketedCheck(const Window& window, std::size_t& end) {
  std::size_t at = end;
  if (window.At(at).kind == Kind::Space) ++at;
  const Unit open = window.At(at);
  if (open.kind != Kind::Open) return false;
  const Unit check = window.At(at += open.bytes);
  if (check.kind != Kind::Digit && check.kind != Kind::Letter) return false;
  const Unit close = window.At(at += check.bytes);
  if (close.kind != Kind::Close || !Bounds(window.At(at += close.bytes))) return false;
  end = at;
  return true;
}

void ScanPass::Judge(const Window& window, std::size_t begin, std::size_t end, int letters,
                     const Place& place) {
  std::string& number = scanner_.number_;
  number.clear();
  std::size_t at = begin;
  for (Unit unit; at < end; at += unit.bytes) {
    unit = window.At(at);
    if (unit.kind == Kind::Digit || unit.kind == Kind::Letter) number += unit.ascii;
  }
  const ScanOptions& options = scanner_.options_;
  const auto form = KindOfShape(number.size(), letters, options.rules);
  if (!form || !options.only.Holds(*form)) return;

  if (SettledUnreported(number, *form)) return;

  IdReport& report = scanner_.report_;
  if (options.reportText)
    CheckNumberText(number, options.rules, Encoding::Utf8, report);
  else
    AnalyseNumberText(number, options.rules, report);
  bool plausible = true;
  if (report.valid) {
    plausible = Plausible(report.analysis);
    if (!plausible && !options.implausible &&
        !(options.anyBirth && PlausibleSomeDay(report.analysis)))
      return;
  } else if (!options.nearMisses || !NearMiss(report.analysis)) {
    return;
  }

  const std::uint64_t offset = window.base + begin;
  const Finding finding{offset,
                        static_cast<std::uint32_t>(end - begin),
                        place.line,
                        offset - place.lineStart + 1,
                        {reinterpret_cast<const char*>(window.data) + begin, end - begin},
                        number,
                        *form,
                        report.valid,
                        plausible,
                        report};
  ++scanner_.findings_;
  if (!sink_(finding)) scanner_.stopped_ = true;
}

// Most runs of digits in logs are order and device numbers: the region and the
// check character, each read without the full check, settle most of them.
bool ScanPass::SettledUnreported(std::string_view number, Jurisdiction form) const {
  const ScanOptions& options = scanner_.options_;
  const bool digits17 = form == Jurisdiction::China && AllDigits(number.substr(0, 17));
  if (!options.implausible) {
    if (digits17 && !KnownProvince(ProvinceAt(number))) return true;
    if (form == Jurisdiction::ChinaOld &&
        (!KnownProvince(ProvinceAt(number)) || !FindRowByCode(RegionCodeAt(number))))
      return true;
  }
  if (options.nearMisses) return false;
  if (digits17) return ChinaCheckCode(number) != number[17];
  return form == Jurisdiction::HongKong && HongKongCheckCode(number) != number.back();
}

bool ScanPass::KnownProvince(int province) const {
  static const auto known = [] {
    std::array<bool, 100> made{};
    for (int code = 0; code < 100; ++code) made[code] = FindProvince(code).has_value();
    return made;
  }();
  const bool permit =
      scanner_.options_.rules == RuleSet::Current && province >= 81 && province <= 83;
  return permit || known[province];
}

bool ScanPass::Plausible(const IdAnalysis& analysis) const {
  const std::string_view number = analysis.number;
  switch (*analysis.jurisdiction) {
    case Jurisdiction::China:
      return KnownProvince(ProvinceAt(number)) && BornInRecordedTime(analysis.birthday);
    case Jurisdiction::ChinaOld: return FindRowByCode(RegionCodeAt(number)).has_value();
    case Jurisdiction::Korea: return analysis.birthday && !analysis.birthday->notYetBorn;
    case Jurisdiction::Taiwan:
    case Jurisdiction::HongKong: return true;
  }
  return true;
}

// Its only fault is its check character, and with the right one it would be
// a plausible number.
bool ScanPass::NearMiss(const IdAnalysis& analysis) const {
  if (analysis.faults.size() != 1 || analysis.faults[0].code != FaultCode::CheckCode) return false;
  std::string corrected = analysis.number;
  corrected.back() = analysis.faults[0].expected;
  const IdAnalysis right = Analyse(RuleFor(corrected, scanner_.options_.rules), corrected);
  return right.Valid() &&
         (Plausible(right) || (scanner_.options_.anyBirth && PlausibleSomeDay(right)));
}

// Plausible on some day: its birth alone is not judged.
bool ScanPass::PlausibleSomeDay(const IdAnalysis& analysis) const {
  const std::string_view number = analysis.number;
  switch (*analysis.jurisdiction) {
    case Jurisdiction::China: return KnownProvince(ProvinceAt(number)) && analysis.birthday;
    case Jurisdiction::ChinaOld: return FindRowByCode(RegionCodeAt(number)).has_value();
    case Jurisdiction::Korea: return analysis.birthday.has_value();
    case Jurisdiction::Taiwan:
    case Jurisdiction::HongKong: return true;
  }
  return true;
}

Scanner::Scanner(const ScanOptions& options, ScanStart start)
    : options_(options),
      start_(start.offset),
      fed_(start.offset),
      scanned_(start.offset),
      line_(start.line),
      lineStart_(start.offset) {
  report_.text.reserve(256);
  number_.reserve(32);
}

// Bytes near the edge of the last piece are searched from a joined copy of
// that edge and the new piece's first bytes; the rest of the piece in place.
void Scanner::Feed(std::string_view piece, FindingSink sink) {
  if (stopped_ || piece.empty()) return;
  ScanPass pass(*this, sink);
  const std::size_t head = std::min(piece.size(), sizeof kept_);
  unsigned char joined[2 * sizeof kept_];
  std::memcpy(joined, kept_, keptSize_);
  std::memcpy(joined + keptSize_, piece.data(), head);
  const Window edge{joined, keptSize_ + head, fed_ - keptSize_, fed_ - keptSize_ == start_, false};
  const std::uint64_t edgeEnd = fed_ + head;
  const std::uint64_t limit = edgeEnd >= scanned_ + kAhead ? edgeEnd - kAhead : scanned_;
  pass.Range(edge, scanned_ - edge.base, limit - edge.base);
  scanned_ = limit;

  if (head < piece.size()) {
    const Window whole{reinterpret_cast<const unsigned char*>(piece.data()), piece.size(), fed_,
                       fed_ == start_, false};
    pass.Range(whole, kBehind, piece.size() - kAhead);
    scanned_ = fed_ + piece.size() - kAhead;
  }
  fed_ += piece.size();
  Keep(piece);
}

void Scanner::Finish(FindingSink sink) {
  if (stopped_ || scanned_ == fed_) return;
  const Window rest{reinterpret_cast<const unsigned char*>(kept_), keptSize_, fed_ - keptSize_,
                    fed_ - keptSize_ == start_, true};
  ScanPass(*this, sink).Range(rest, scanned_ - rest.base, keptSize_);
  scanned_ = fed_;
}

void Scanner::Keep(std::string_view piece) {
  if (piece.size() >= sizeof kept_) {
    std::memcpy(kept_, piece.data() + piece.size() - sizeof kept_, sizeof kept_);
    keptSize_ = sizeof kept_;
    return;
  }
  const std::size_t old = std::min(keptSize_, sizeof kept_ - piece.size());
  std::memmove(kept_, kept_ + keptSize_ - old, old);
  std::memcpy(kept_ + old, piece.data(), piece.size());
  keptSize_ = old + piece.size();
}

std::uint64_t Scan(std::string_view input, const ScanOptions& options, FindingSink sink) {
  Scanner scanner(options);
  scanner.Feed(input, sink);
  scanner.Finish(sink);
  return scanner.FindingCount();
}

}  // namespace kesmal

// The functions the JavaScript package calls (js/src/core.js). Text crosses
// as UTF-8 through one input buffer the package writes into and one output
// buffer it reads from; a function returns a length or a handle, and a
// refused request leaves its message in the output buffer and returns a
// negative value (or handle 0).
#include <emscripten.h>
#include <openssl/crypto.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/regions.h"
#include "data/taiwan_letters.h"
#include "kesmal/byte_scan.h"
#include "kesmal/check.h"
#include "kesmal/make.h"
#include "kesmal/mask.h"
#include "kesmal/scan.h"
#include "rules/current.h"
#include "rules/gbk_codec.h"

namespace {

using namespace kesmal;

std::vector<char> input;
std::string output;

std::string_view Input(std::size_t length) { return {input.data(), length}; }

// 0 none (classic, unnamed in records), 1 classic, 2 current. A check's
// rules may carry kReadToday: the first check of a turn of the package's
// event loop reads today's date again, and the others judge by it.
constexpr int kRulesMask = 3;
constexpr int kReadToday = 4;

std::optional<RuleSet> RulesOf(int rules) {
  if (rules == 0) return std::nullopt;
  return rules == 2 ? RuleSet::Current : RuleSet::Classic;
}

JurisdictionSet OnlyOf(int bits) {
  JurisdictionSet set = JurisdictionSet::None();
  for (std::size_t j = 0; j < kJurisdictionCount; ++j)
    if (bits & (1 << j)) set.Add(static_cast<Jurisdiction>(j));
  return set;
}

int Refuse(const std::exception& error) {
  output = error.what();
  return -1;
}

// The checkers of the three rule choices, their buffers and their date kept
// between calls.
Checker& JsonChecker(int rules) {
  static Checker checkers[] = {Checker(Output::Json, std::nullopt),
                               Checker(Output::Json, RuleSet::Classic),
                               Checker(Output::Json, RuleSet::Current)};
  return checkers[rules];
}

// A scan of one string fed in chunks, which the package writes after a gap of
// kTail bytes: the scan's last bytes of the chunk before are copied into the
// gap, so that a finding that began there is counted in UTF-16 units from a
// place whose unit is known.
constexpr std::size_t kTail = 512;

// UTF-16 units of UTF-8 bytes: one per character, two for one beyond U+FFFF.
std::uint64_t Units(const unsigned char* from, const unsigned char* to) {
  std::uint64_t units = 0;
  for (; from < to; ++from) units += ((*from & 0xC0) != 0x80) + (*from >= 0xF0);
  return units;
}

struct ScanSession {
  explicit ScanSession(const ScanOptions& options) : scanner(options) {}

  Scanner scanner;
  std::string tail;
  std::uint64_t fed = 0;  // bytes fed before the chunk
  const unsigned char* window = nullptr;
  std::uint64_t windowByte = 0, windowUnit = 0;
  std::uint64_t cursorByte = 0, cursorUnit = 0;
  std::vector<std::uint32_t> records;  // start, end, jurisdiction, flags per finding
  std::string numbers;                 // each finding's number and a line feed

  std::uint64_t UnitAt(std::uint64_t byte) {
    cursorUnit += Units(window + (cursorByte - windowByte), window + (byte - windowByte));
    cursorByte = byte;
    return cursorUnit;
  }
  void Take(const Finding& finding) {
    const std::uint64_t start = UnitAt(finding.offset);
    const std::uint64_t end = UnitAt(finding.offset + finding.length);
    records.insert(records.end(),
                   {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end),
                    static_cast<std::uint32_t>(finding.jurisdiction),
                    static_cast<std::uint32_t>(finding.valid | finding.plausible << 1)});
    numbers.append(finding.number);
    numbers += '\n';
  }
};

// Text the package keeps decoded, by id: the fixed pieces of reports, place
// names, fault messages, dates and region codes repeat from number to number,
// so each is decoded into a JavaScript string once. The table stops taking
// text when full; what it has not taken crosses as bytes.
class Interned {
 public:
  Interned() : slots_(kSlots, Slot{0, -1}) {
    bytes_.reserve(kMostBytes);
    pieces_.reserve(kMostIds);
  }

  // The id of the text, with `fresh` set when it is new; -1 when full.
  int Find(std::string_view text, bool& fresh) {
    if (text.size() > 8) return FindInTable(text, Hash(text), fresh);
    // Most texts are words of up to eight bytes, which a small table in
    // front knows by their bytes alone, without reading the texts kept.
    const std::uint64_t word = ShortWord(text);
    const std::uint64_t mixed = (word ^ std::uint64_t{text.size()} << 59) * 0x9E3779B97F4A7C15ull;
    Short& slot = shorts_[mixed >> (64 - kShortBits)];
    if (slot.word == word && slot.size == text.size() && slot.id >= 0) {
      fresh = false;
      return slot.id;
    }
    const int id = FindInTable(text, Hash(text), fresh);
    if (id >= 0) slot = {word, static_cast<std::uint32_t>(text.size()), id};
    return id;
  }
  // The same of text that mostly stays where it is, as the rules keep place
  // names: known by its address, its bytes compared with those kept.
  int FindKept(std::string_view text, bool& fresh) {
    const auto address = reinterpret_cast<std::uintptr_t>(text.data());
    Kept& slot = kept_[(address >> 3) & ((std::size_t{1} << kKeptBits) - 1)];
    if (slot.at == text.data() && slot.size == text.size() && slot.id >= 0 &&
        Equal(bytes_.data() + pieces_[static_cast<std::size_t>(slot.id)].at, text)) {
      fresh = false;
      return slot.id;
    }
    const int id = Find(text, fresh);
    if (id >= 0) slot = {text.data(), text.size(), id};
    return id;
  }
  // Where the text of a fresh id is, until the next is made.
  const char* Last() const { return bytes_.data() + bytes_.size(); }

 private:
  int FindInTable(std::string_view text, std::uint32_t hash, bool& fresh) {
    for (std::size_t at = hash & (kSlots - 1);; at = (at + 1) & (kSlots - 1)) {
      Slot& slot = slots_[at];
      if (slot.id < 0) {
        if (pieces_.size() >= kMostIds || bytes_.size() + text.size() > kMostBytes) return -1;
        slot = {hash, static_cast<int>(pieces_.size())};
        pieces_.push_back(
            {static_cast<std::uint32_t>(bytes_.size()), static_cast<std::uint32_t>(text.size())});
        bytes_ += text;  // never beyond the capacity reserved: no pointer moves
        fresh = true;
        return slot.id;
      }
      if (slot.hash == hash) {
        const Piece piece = pieces_[static_cast<std::size_t>(slot.id)];
        if (piece.size == text.size() && Equal(bytes_.data() + piece.at, text)) {
          fresh = false;
          return slot.id;
        }
      }
    }
  }
  // A few thousand texts: the table stays in the cache.
  static constexpr std::size_t kSlots = std::size_t{1} << 15;
  static constexpr std::size_t kMostIds = kSlots / 2;
  static constexpr std::size_t kMostBytes = std::size_t{1} << 20;
  struct Slot {
    std::uint32_t hash;
    int id;
  };
  struct Piece {
    std::uint32_t at, size;
  };
  static constexpr int kShortBits = 12;
  static constexpr int kKeptBits = 12;
  struct Kept {
    const char* at = nullptr;
    std::size_t size = 0;
    int id = -1;
  };
  struct Short {
    std::uint64_t word = 0;
    std::uint32_t size = 0;
    int id = -1;
  };

  // Up to eight bytes as one word, which with the size tells them apart: the
  // one word Words makes of them, by loads of fixed size and not a loop.
  static std::uint64_t ShortWord(std::string_view text) {
    std::uint64_t word = 0;
    Words(text, [&word](std::uint64_t step) { word = step; });
    return word;
  }

  static std::uint64_t Load8(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    return word;
  }
  static std::uint32_t Load4(const char* at) {
    std::uint32_t word;
    std::memcpy(&word, at, 4);
    return word;
  }
  // The bytes of a text as words, the last overlapping the one before: n
  // bytes in ceil(n / 8) loads of fixed size, which compile to loads and
  // not to calls.
  template <typename Step>
  static void Words(std::string_view text, Step step) {
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n >= 8) {
      std::size_t at = 0;
      for (; at + 8 < n; at += 8) step(Load8(p + at));
      step(Load8(p + n - 8));
    } else if (n >= 4) {
      step(Load4(p) | std::uint64_t{Load4(p + n - 4)} << 32);
    } else if (n > 0) {
      step(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[n / 2]) << 8 |
           static_cast<unsigned char>(p[n - 1]) << 16);
    }
  }
  static bool Equal(const char* kept, std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n >= 8) {
      std::uint64_t differ = 0;
      for (std::size_t at = 0; at + 8 < n; at += 8) differ |= Load8(kept + at) ^ Load8(p + at);
      return (differ | (Load8(kept + n - 8) ^ Load8(p + n - 8))) == 0;
    }
    if (n >= 4) return ((Load4(kept) ^ Load4(p)) | (Load4(kept + n - 4) ^ Load4(p + n - 4))) == 0;
    for (std::size_t at = 0; at < n; ++at)
      if (kept[at] != p[at]) return false;
    return true;
  }

  // Eight bytes a step: most texts are a few words long.
  static std::uint32_t Hash(std::string_view text) {
    std::uint64_t hash = text.size() * 0x9E3779B97F4A7C15ull;
    Words(text, [&hash](std::uint64_t word) {
      hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
      hash ^= hash >> 29;
    });
    hash ^= hash >> 32;
    return static_cast<std::uint32_t>(hash * 0xC4CEB9FE1A85EC53ull >> 32);
  }

  std::vector<Slot> slots_;
  std::vector<Short> shorts_ = std::vector<Short>(std::size_t{1} << kShortBits);
  std::vector<Kept> kept_ = std::vector<Kept>(std::size_t{1} << kKeptBits);
  std::vector<Piece> pieces_;
  std::string bytes_;
};

// A check's fields for the package to build its object from without a JSON
// parse or decoding bytes it has decoded before: records of 32-bit words,
// each field a word of its kind and its Field (kind | field << 4), then for
// text a reference to it. The input is left out: the package holds it.
enum Record : std::int32_t {
  kKnown = 0,  // text decoded before: its id
  kNew = 1,    // text to decode and keep: its id, address, length
  kBytes = 2,  // text to decode once: its offset in the output buffer, length
  kTrue = 3,
  kFalse = 4,
  kNull = 5,
  kList = 6,       // a list of objects begins
  kItem = 7,       // an object of the list begins
  kItemEnd = 8,    // it ends
  kListEnd = 9,    // the list ends
  kTemplate = 10,  // a report: its template's reference, then each mark's
  kInput = 11,     // the input, in capitals
  kPlace = 12,     // the birthplace
  kPieces = 13,    // text in two pieces: their references
  kUpgrade = 14,   // the upgrade
};

// Where `part` first is in `text`, or npos. A place name in a report: its
// first four bytes, the lead bytes of Chinese characters which most of the
// report shares, are compared at each offset as a word before the rest.
std::size_t PlaceIn(std::string_view text, std::string_view part) {
  if (part.size() < 4 || part.size() > text.size()) return text.find(part);
  std::uint32_t head;
  std::memcpy(&head, part.data(), 4);
  const char* const last = text.data() + (text.size() - part.size());
  for (const char* at = text.data(); at <= last; ++at) {
    std::uint32_t word;
    std::memcpy(&word, at, 4);
    if (word == head && std::memcmp(at + 4, part.data() + 4, part.size() - 4) == 0)
      return static_cast<std::size_t>(at - text.data());
  }
  return text.npos;
}

// How many bytes from p on are of 0x80 and above, before `end`.
std::size_t HighPrefix(const char* p, const char* end) {
  constexpr auto kAscii = [](auto c) { return c < 0x80; };
  const char* at = p;
  for (; end - at >= 16; at += 16)
    if (const unsigned bits = SpecialBits(LoadVector(at), kAscii))
      return static_cast<std::size_t>(at - p) + static_cast<std::size_t>(std::countr_zero(bits));
  while (at < end && static_cast<unsigned char>(*at) >= 0x80) ++at;
  return static_cast<std::size_t>(at - p);
}

struct RecordSink {
  std::string_view input;  // in capitals
  Interned& interned;
  std::vector<std::int32_t>& out;
  std::string& bytes;

  [[gnu::always_inline]] void Put(Record kind, Field field) {
    out.push_back(kind | static_cast<std::int32_t>(field) << 4);
  }
  // A reference to text: decoded before, to keep, or to decode once.
  void Reference(Field field, std::string_view text, bool intern, bool kept = false) {
    bool fresh = false;
    const int id = !intern ? -1
                   : kept  ? interned.FindKept(text, fresh)
                           : interned.Find(text, fresh);
    if (id < 0) {
      Put(kBytes, field);
      out.push_back(static_cast<std::int32_t>(bytes.size()));
      out.push_back(static_cast<std::int32_t>(text.size()));
      bytes += text;
    } else if (fresh) {
      Put(kNew, field);
      const char* at = interned.Last() - text.size();
      out.insert(out.end(), {id, static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(at)),
                             static_cast<std::int32_t>(text.size())});
    } else {
      Put(kKnown, field);
      out.push_back(id);
    }
  }
  void Input(std::string_view) {}
  void Text(Field field, std::string_view text) {
    // The rejection message echoes the input: a message is a template too.
    if (field == Field::Report || field == Field::Message) return Report(field, text);
    // The birthplace's text lives until the report, the last field, is handed over.
    if (field == Field::Birthplace) birthplace = text;
    if (field == Field::Upgrade) upgrade = text;
    // A date is one of tens of thousands, its year and its day of a few hundred.
    if (field == Field::BirthDate && text.size() == kIsoDateSize) {
      Put(kPieces, field);
      Reference(field, text.substr(0, 5), true);
      Reference(field, text.substr(5), true);
      return;
    }
    Reference(field, text, field != Field::Upgrade, field == Field::Birthplace);
  }
  void Word(Field field, std::string_view text) { Text(field, text); }
  void Bool(Field field, bool value) { Put(value ? kTrue : kFalse, field); }
  void Null(Field field) { Put(kNull, field); }
  void BeginList(Field field) { Put(kList, field); }
  void BeginItem() { Put(kItem, Field::Faults); }
  void EndItem() { Put(kItemEnd, Field::Faults); }
  void EndList() { Put(kListEnd, Field::Faults); }

  // A report (or a fault's message) is fixed text with the number, the
  // digits of a date and a place between: it crosses as its template, the
  // text with each run of ASCII and the birthplace replaced by a mark
  // (kAsciiMark, kPlaceMark), then the text of each mark in turn. Templates are few, and so are the
  // short runs of ASCII; a longer one is the number (the input) or crosses as
  // bytes, and the place is the birthplace the object holds already, as is
  // an old number's upgrade.
  static constexpr char kAsciiMark = '\x01';
  static constexpr char kPlaceMark = '\x02';
  std::string_view birthplace;
  std::string_view upgrade;           // as the birthplace
  std::vector<char>& reportTemplate;  // grown, never shrunk: sized without being filled
  struct Hole {
    std::size_t at, size;  // in the report; size 0 for the place
  };
  std::vector<Hole>& holes;

  // The template is written a stretch at a time: fixed text (bytes of 0x80
  // and above) copied whole, a run of ASCII marked, sixteen bytes a look.
  void Report(Field field, std::string_view text) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const std::size_t placeAt = birthplace.empty() ? text.npos : PlaceIn(text, birthplace);
    const char* const place = placeAt == text.npos ? nullptr : begin + placeAt;
    // A mark stands for one byte or more.
    if (reportTemplate.size() < text.size()) reportTemplate.resize(text.size());
    char* to = reportTemplate.data();
    holes.clear();
    for (const char* p = begin; p < end;) {
      if (p == place) {
        *to++ = kPlaceMark;
        holes.push_back({static_cast<std::size_t>(p - begin), 0});
        p += birthplace.size();
        continue;
      }
      const char* const stop = place && p < place ? place : end;
      if (static_cast<unsigned char>(*p) < 0x80) {
        constexpr auto kEndsRun = [](auto c) { return (c >= 0x80) | (c <= kPlaceMark); };
        const std::size_t run = PrefixWithout({p, static_cast<std::size_t>(stop - p)}, kEndsRun);
        // No mark can stand for itself.
        if (p + run < stop && static_cast<unsigned char>(p[run]) <= kPlaceMark)
          return Reference(field, text, false);
        *to++ = kAsciiMark;
        holes.push_back({static_cast<std::size_t>(p - begin), run});
        p += run;
        continue;
      }
      const std::size_t fixed = HighPrefix(p, stop);
      std::memcpy(to, p, fixed);
      to += fixed;
      p += fixed;
    }
    Put(kTemplate, field);
    Reference(field, {reportTemplate.data(), static_cast<std::size_t>(to - reportTemplate.data())},
              true);
    for (const Hole& hole : holes) {
      const std::string_view run = text.substr(hole.at, hole.size);
      if (hole.size == 0)
        Put(kPlace, field);
      else if (run == input)
        Put(kInput, field);
      else if (run == upgrade)
        Put(kUpgrade, field);
      else
        Reference(field, run, run.size() <= 8);
    }
  }
};

// The checkers whose records go to RecordSink, by rules as RulesOf reads them.
Checker& RecordChecker(int rules) {
  static Checker checkers[] = {Checker(std::nullopt), Checker(RuleSet::Classic),
                               Checker(RuleSet::Current)};
  return checkers[rules];
}

// Where the package finds a check's records and the bytes they refer to.
std::int32_t recordsAt[2];

}  // namespace

extern "C" {

// The input buffer, grown to hold `size` bytes.
EMSCRIPTEN_KEEPALIVE char* kesmal_input(std::size_t size) {
  if (input.size() < size) input.resize(size);
  return input.data();
}

EMSCRIPTEN_KEEPALIVE const char* kesmal_output() { return output.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t kesmal_output_length() { return output.size(); }

EMSCRIPTEN_KEEPALIVE int kesmal_is_valid(std::size_t length, int rules) {
  return ValidJurisdiction(Input(length), RulesOf(rules).value_or(RuleSet::Classic)).has_value();
}

// The object of `check --json` into the output buffer; its length.
EMSCRIPTEN_KEEPALIVE int kesmal_check(std::size_t length, int rules) {
  output.clear();
  try {
    Checker& checker = JsonChecker(rules & kRulesMask);
    if (rules & kReadToday) checker.ReadToday();
    checker.Append(Input(length), output);
  } catch (const std::exception& error) {
    return Refuse(error);
  }
  output.pop_back();  // the line end
  return static_cast<int>(output.size());
}

// The records of the check of the printable ASCII input, as RecordSink
// writes them; how many words, with their address and the output buffer's
// in recordsAt.
EMSCRIPTEN_KEEPALIVE int kesmal_check_records(std::size_t length, int rules) {
  static Interned interned;
  static std::vector<std::int32_t> records = [] {
    std::vector<std::int32_t> words;
    words.reserve(1024);
    return words;
  }();
  static std::vector<char> reportTemplate;
  static std::vector<RecordSink::Hole> holes;
  output.clear();
  records.clear();
  try {
    for (std::size_t i = 0; i < length; ++i)
      if (input[i] >= 'a' && input[i] <= 'z') input[i] = static_cast<char>(input[i] - 'a' + 'A');
    const std::string_view number = Input(length);
    RecordSink sink{number, interned, records, output, {}, {}, reportTemplate, holes};
    Checker& checker = RecordChecker(rules & kRulesMask);
    if (rules & kReadToday) checker.ReadToday();
    checker.Visit(number, sink);
  } catch (const std::exception& error) {
    return Refuse(error);
  }
  recordsAt[0] = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(records.data()));
  recordsAt[1] = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(output.data()));
  return static_cast<int>(records.size());
}

EMSCRIPTEN_KEEPALIVE std::int32_t* kesmal_records_at() { return recordsAt; }

// The request field of a name ("sex", "birth"); none for another name.
std::optional<RequestField> FieldNamed(std::string_view name) {
  for (const RequestField field : {RequestField::Count, RequestField::Seed, RequestField::Sex,
                                   RequestField::Region, RequestField::Length, RequestField::Birth,
                                   RequestField::Age, RequestField::Unique, RequestField::Invalid})
    if (FieldName(field) == name) return field;
  return std::nullopt;
}

// Make: the input holds the jurisdiction, then field and value pairs, each
// ended by a NUL ("sex", "female"; a flag's value is empty). A refusal's
// message starts with the field it names and a NUL.
EMSCRIPTEN_KEEPALIVE NumberStream* kesmal_make_new(std::size_t length) {
  try {
    std::vector<std::string_view> words;
    for (std::string_view rest = Input(length); !rest.empty();) {
      const std::size_t end = rest.find('\0');
      words.push_back(rest.substr(0, end));
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    MakeRequest request;
    if (!words.empty()) request.jurisdiction = words[0];
    if (!request.jurisdiction.Resolve()) Validate(request);  // names the jurisdiction
    for (std::size_t i = 1; i + 1 < words.size(); i += 2) {
      const auto field = FieldNamed(words[i]);
      if (!field) throw std::invalid_argument("unknown field " + std::string(words[i]));
      SetMakeField(request, *field, words[i + 1]);
    }
    return new NumberStream(request);
  } catch (const RequestError& error) {
    output = std::string(FieldName(error.parts().field)) + '\0' + error.what();
    return nullptr;
  } catch (const std::exception& error) {
    Refuse(error);
    return nullptr;
  }
}

// Up to `most` numbers, each ended by a line feed, into the output buffer;
// how many.
EMSCRIPTEN_KEEPALIVE int kesmal_make_next(NumberStream* stream, int most) {
  output.clear();
  int made = 0;
  for (; made < most; ++made) {
    const auto number = stream->Next();
    if (!number) break;
    output += *number;
    output += '\n';
  }
  return made;
}

EMSCRIPTEN_KEEPALIVE void kesmal_make_free(NumberStream* stream) { delete stream; }

EMSCRIPTEN_KEEPALIVE ScanSession* kesmal_scan_new(int rules, int nearMisses, int implausible,
                                                  int only) {
  ScanOptions options;
  options.rules = RulesOf(rules).value_or(RuleSet::Classic);
  options.nearMisses = nearMisses;
  options.implausible = implausible;
  options.only = OnlyOf(only);
  options.reportText = false;
  return new ScanSession(options);
}

// Scans the chunk written at kTail in the input buffer, which starts at UTF-16
// unit `unit` of the string; the findings it completes go to the session's
// records and numbers. With `last`, the input ends after it. The number of
// findings.
EMSCRIPTEN_KEEPALIVE int kesmal_scan_feed(ScanSession* session, std::size_t length, double unit,
                                          int last) {
  ScanSession& s = *session;
  s.records.clear();
  s.numbers.clear();
  std::memcpy(input.data() + kTail - s.tail.size(), s.tail.data(), s.tail.size());
  s.window = reinterpret_cast<const unsigned char*>(input.data() + kTail - s.tail.size());
  s.windowByte = s.fed - s.tail.size();
  s.windowUnit = static_cast<std::uint64_t>(unit) - Units(s.window, s.window + s.tail.size());
  if (s.cursorByte < s.windowByte) {
    s.cursorByte = s.windowByte;
    s.cursorUnit = s.windowUnit;
  }
  const auto take = [&s](const Finding& finding) { s.Take(finding); };
  s.scanner.Feed({input.data() + kTail, length}, take);
  if (last) s.scanner.Finish(take);
  s.fed += length;
  const std::size_t windowSize = s.tail.size() + length;
  const std::size_t kept = windowSize < kTail ? windowSize : kTail;
  s.tail.assign(reinterpret_cast<const char*>(s.window) + windowSize - kept, kept);
  return static_cast<int>(s.records.size() / 4);
}

EMSCRIPTEN_KEEPALIVE const std::uint32_t* kesmal_scan_records(ScanSession* session) {
  return session->records.data();
}
EMSCRIPTEN_KEEPALIVE const char* kesmal_scan_numbers(ScanSession* session) {
  return session->numbers.data();
}
EMSCRIPTEN_KEEPALIVE std::size_t kesmal_scan_numbers_length(ScanSession* session) {
  return session->numbers.size();
}
EMSCRIPTEN_KEEPALIVE void kesmal_scan_free(ScanSession* session) { delete session; }

// A masker: the key's 32 bytes at the input's start unless redacting; `keep`
// the KeptField bits. Null when the options cannot serve.
EMSCRIPTEN_KEEPALIVE MaskOptions* kesmal_masker_new(int redact, int keep, int reverse, int rules,
                                                    int only, int implausible, int nearMisses) {
  try {
    auto options = std::make_unique<MaskOptions>();
    if (!redact) {
      MaskKey key;
      std::memcpy(key.data(), input.data(), key.size());
      options->key = key;
    }
    for (int bit = 1; bit < 256; bit <<= 1)
      if (keep & bit) options->keep = options->keep.With(static_cast<KeptField>(bit));
    options->direction = reverse ? MaskDirection::Reverse : MaskDirection::Encipher;
    options->rules = RulesOf(rules).value_or(RuleSet::Classic);
    options->only = OnlyOf(only);
    options->implausible = implausible;
    options->nearMisses = nearMisses == 2   ? NearMisses::Redact
                          : nearMisses == 1 ? NearMisses::Keep
                                            : NearMisses::Mask;
    ValidateMask(*options);
    return options.release();
  } catch (const std::exception& error) {
    Refuse(error);
    return nullptr;
  }
}

// The text in the input masked into the output buffer; its length, or -1.
EMSCRIPTEN_KEEPALIVE int kesmal_mask_text(MaskOptions* options, std::size_t length) {
  try {
    output = MaskText(Input(length), *options);
    return static_cast<int>(output.size());
  } catch (const std::exception& error) {
    return Refuse(error);
  }
}

EMSCRIPTEN_KEEPALIVE void kesmal_masker_free(MaskOptions* options) {
  if (options->key) OPENSSL_cleanse(options->key->data(), options->key->size());
  delete options;
}

// The lists the generation panels offer, as JSON: Taiwan's letters and the
// places they name; the mainland's provinces, each with its listed regions.
EMSCRIPTEN_KEEPALIVE int kesmal_regions() {
  const auto name = [](const char* gbk, std::size_t size) {
    return GbkToUtf8(std::string_view(gbk, strnlen(gbk, size)));
  };
  output = "{\"taiwan\":[";
  for (const TaiwanLetter& letter : TaiwanLetterTable) {
    if (&letter != &TaiwanLetterTable[0]) output += ',';
    output += "[\"" + std::string(1, static_cast<char>(letter.Letter & 0xFF)) + "\",\"" +
              name(letter.Name, sizeof letter.Name) + "\"]";
  }
  output += "],\"mainland\":[";
  const std::vector<std::string> provinces = ProvinceNames();
  for (std::size_t p = 0; p < provinces.size(); ++p) {
    if (p) output += ',';
    output +=
        "[\"" + std::to_string(ProvinceTable[p].Code) + "\",\"" + GbkToUtf8(provinces[p]) + "\",[";
    const std::vector<std::string> counties = CountyNames(static_cast<int>(p));
    for (std::size_t c = 0; c < counties.size(); ++c) {
      if (c) output += ',';
      output += "[\"" + RegionCodeTextOfRow(CountyRowAt(static_cast<int>(p), static_cast<int>(c))) +
                "\",\"" + GbkToUtf8(counties[c]) + "\"]";
    }
    output += "]]";
  }
  output += "]}";
  return static_cast<int>(output.size());
}

}  // extern "C"

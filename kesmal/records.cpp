#include "kesmal/records.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "kesmal/byte_scan.h"
#include "kesmal/record_writer.h"
#include "rules/gbk_codec.h"
#include "rules/jurisdictions.h"

namespace kesmal {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at the start of the text, or 0
// when it is ill-formed; `consumed` is then the length of its longest valid
// prefix (at least 1), which one U+FFFD replaces.
std::size_t WellFormedLength(std::string_view text, std::size_t& consumed) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  consumed = 1;
  if (lead < 0x80) return 1;

  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= text.size()) return 0;
    const unsigned char b = byte(i);
    if (i == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
    consumed = i + 1;
  }
  return length;
}

}  // namespace

const char* JurisdictionName(Jurisdiction jurisdiction) { return NameOf(jurisdiction).data(); }

const char* FaultName(FaultCode code) {
  switch (code) {
    case FaultCode::Length: return "length";
    case FaultCode::Letter: return "letter";
    case FaultCode::SexDigit: return "sex_digit";
    case FaultCode::Digits: return "digits";
    case FaultCode::BirthDate: return "birth_date";
    case FaultCode::CheckCode: return "check_code";
    case FaultCode::Bracket: return "bracket";
    case FaultCode::PlaceCode: return "place_code";
  }
  return "";
}

const char* KindName(IdKind kind) {
  switch (kind) {
    case IdKind::IdentityCard: return "identity_card";
    case IdKind::ResidentCertificate: return "resident_certificate";
    case IdKind::ForeignResident: return "foreign_resident";
    case IdKind::ResidencePermit: return "residence_permit";
  }
  return "";
}

namespace {

// Bytes a JSON string cannot hold as they are: a quote, a backslash or a
// control character; and bytes of 0x80 and above in text not known to be UTF-8.
constexpr auto kJsonSpecial = [](auto c) {
  return (c < 0x20) | (c == '"') | (c == '\\') | (c == 0x7F);
};
constexpr auto kJsonSpecialOrHigh = [](auto c) { return kJsonSpecial(c) | (c >= 0x80); };
constexpr auto kCsvSpecial = [](auto c) {
  return (c == ',') | (c == '"') | (c == '\r') | (c == '\n');
};
constexpr auto kCsvSpecialOrHigh = [](auto c) { return kCsvSpecial(c) | (c >= 0x80); };
constexpr auto kHigh = [](auto c) { return c >= 0x80; };

// The most bytes one input byte becomes in a JSON string ("\u00XX") or in a
// quoted CSV field (a doubled quote; an ill-formed byte becomes U+FFFD).
constexpr std::size_t kMostJsonBytesPerByte = 6;
constexpr std::size_t kMostCsvBytesPerByte = 3;

// The digits of the largest 64-bit number.
constexpr std::size_t kMostDigits = 20;

// Up to 31 bytes held in 32, so that they are copied as one fixed block.
struct Padded {
  char bytes[32];
  std::size_t size;
};

template <std::size_t Size>
constexpr Padded PadBytes(const char (&text)[Size]) {
  static_assert(Size <= sizeof(Padded::bytes));
  Padded padded{};
  for (std::size_t i = 0; i + 1 < Size; ++i) padded.bytes[i] = text[i];
  padded.size = Size - 1;
  return padded;
}

// One record's bytes, written through a raw pointer into a buffer the batch
// keeps: each write first makes room for the most it can write, so that no
// byte is bounds-checked on its own, and the record is appended whole.
class RawBytes {
 public:
  explicit RawBytes(std::string& room)
      : room_(room), at_(room.data()), end_(room.data() + room.size()) {}

  void Room(std::size_t bytes) {
    if (static_cast<std::size_t>(end_ - at_) < bytes) Grow(bytes);
  }
  void Put(char c) { *at_++ = c; }
  void Unput(std::size_t bytes) { at_ -= bytes; }
  void Put(std::string_view bytes) {
    // An empty view may hold no pointer, which memcpy must not be given.
    if (bytes.empty()) return;
    std::memcpy(at_, bytes.data(), bytes.size());
    at_ += bytes.size();
  }
  // A literal, of a size known when compiled.
  template <std::size_t Size>
  void PutLiteral(const char (&literal)[Size]) {
    std::memcpy(at_, literal, Size - 1);
    at_ += Size - 1;
  }
  void Put(const Padded& padded) {
    std::memcpy(at_, padded.bytes, sizeof padded.bytes);
    at_ += padded.size;
  }
  // Copies the bytes before the first special one; false when there is one.
  template <typename IsSpecial>
  bool PutPrefixWithout(std::string_view& bytes, IsSpecial isSpecial) {
    const std::size_t plain = PrefixWithout(bytes, isSpecial, at_);
    at_ += plain;
    bytes.remove_prefix(plain);
    return bytes.empty();
  }
  void PutNumber(std::uint64_t value) { at_ = std::to_chars(at_, at_ + kMostDigits, value).ptr; }
  std::string_view Written() const {
    return {room_.data(), static_cast<std::size_t>(at_ - room_.data())};
  }

 private:
  void Grow(std::size_t bytes) {
    const auto used = static_cast<std::size_t>(at_ - room_.data());
    room_.resize(std::max(2 * room_.size(), used + bytes + 256));
    at_ = room_.data() + used;
    end_ = room_.data() + room_.size();
  }

  std::string& room_;
  char* at_;
  char* end_;
};

void PutEscape(char c, RawBytes& out) {
  switch (c) {
    case '"': return out.PutLiteral("\\\"");
    case '\\': return out.PutLiteral("\\\\");
    case '\n': return out.PutLiteral("\\n");
    case '\r': return out.PutLiteral("\\r");
    case '\t': return out.PutLiteral("\\t");
  }
  constexpr char kHex[] = "0123456789abcdef";
  const auto byte = static_cast<unsigned char>(c);
  out.PutLiteral("\\u00");
  out.Put(kHex[byte >> 4]);
  out.Put(kHex[byte & 0xF]);
}

// A quoted JSON string of any bytes, with room made for it. Text known to be
// UTF-8 (the codec's output and the rules' own text) is not decoded again.
template <typename IsSpecial>
void PutQuoted(std::string_view bytes, IsSpecial isSpecial, RawBytes& out) {
  out.Put('"');
  while (!out.PutPrefixWithout(bytes, isSpecial)) {
    std::size_t consumed = 1;
    const std::size_t length =
        static_cast<unsigned char>(bytes[0]) < 0x80 ? 1 : WellFormedLength(bytes, consumed);
    if (length == 0) {
      out.Put(kReplacement);
      bytes.remove_prefix(consumed);
    } else {
      if (length == 1)
        PutEscape(bytes[0], out);
      else
        out.Put(bytes.substr(0, length));
      bytes.remove_prefix(length);
    }
  }
  out.Put('"');
}

constexpr std::size_t QuotedRoom(std::string_view bytes) {
  return 2 + kMostJsonBytesPerByte * bytes.size();
}

constexpr std::size_t Index(Field field) { return static_cast<std::size_t>(field); }

// Writes the fields as one JSON object. Only the input can be ill-formed;
// every other text is the rules' own or the codec's UTF-8.
class JsonWriter {
 public:
  explicit JsonWriter(RawBytes& json) : json_(json) {
    json_.Room(1);
    json_.Put('{');
  }
  void Finish() {
    json_.Room(1);
    json_.Put('}');
  }

  void Input(std::string_view bytes) { Bytes(Field::Input, bytes); }
  void Bytes(Field field, std::string_view bytes) {
    Key(field, QuotedRoom(bytes));
    PutQuoted(bytes, kJsonSpecialOrHigh, json_);
  }
  void Text(Field field, std::string_view utf8) {
    Key(field, QuotedRoom(utf8));
    PutQuoted(utf8, kJsonSpecial, json_);
  }
  void Number(Field field, std::uint64_t value) {
    Key(field, kMostDigits);
    json_.PutNumber(value);
  }
  void Word(Field field, std::string_view ascii) {
    Key(field, ascii.size() + 2);
    json_.Put('"');
    json_.Put(ascii);
    json_.Put('"');
  }
  void Bool(Field field, bool value) {
    Key(field, 5);
    if (value)
      json_.PutLiteral("true");
    else
      json_.PutLiteral("false");
  }
  void Null(Field field) {
    Key(field, 4);
    json_.PutLiteral("null");
  }
  void BeginList(Field field) {
    Key(field, 1);
    json_.Put('[');
    first_ = true;
  }
  void BeginItem() {
    json_.Room(2);
    if (!first_) json_.Put(',');
    json_.Put('{');
    first_ = true;
  }
  void EndItem() { Close('}'); }
  void EndList() { Close(']'); }

 private:
#define KESMAL_JSON_KEY(id, key) PadBytes("\"" key "\":"),
#define KESMAL_JSON_NEXT_KEY(id, key) PadBytes(",\"" key "\":"),
  static constexpr Padded kFirstKeys[] = {KESMAL_FIELDS(KESMAL_JSON_KEY)};
  static constexpr Padded kNextKeys[] = {KESMAL_FIELDS(KESMAL_JSON_NEXT_KEY)};
#undef KESMAL_JSON_KEY
#undef KESMAL_JSON_NEXT_KEY

  // The field's key, with room for its value after it; inlined into every
  // writer of a value, as it is the most of what they do.
  [[gnu::always_inline]] void Key(Field field, std::size_t valueRoom) {
    json_.Room(sizeof(Padded::bytes) + valueRoom);
    json_.Put((first_ ? kFirstKeys : kNextKeys)[Index(field)]);
    first_ = false;
  }
  void Close(char bracket) {
    json_.Room(1);
    json_.Put(bracket);
    first_ = false;
  }

  RawBytes& json_;
  bool first_ = true;
};

// A field quoted when it holds a comma, quote, CR or LF, its quotes doubled.
void PutCsvField(std::string_view utf8, RawBytes& row) {
  row.Room(2 + 2 * utf8.size());
  std::size_t plain = PrefixWithout(utf8, kCsvSpecial);
  if (plain == utf8.size()) return row.Put(utf8);
  row.Put('"');
  while (plain < utf8.size()) {
    row.Put(utf8.substr(0, plain));
    if (utf8[plain] == '"') row.Put('"');
    row.Put(utf8[plain]);
    utf8.remove_prefix(plain + 1);
    plain = PrefixWithout(utf8, [](auto c) { return c == '"'; });
  }
  row.Put(utf8);
  row.Put('"');
}

// The column of each field in a CSV row; fields that are no column have none.
constexpr std::optional<int> CsvColumn(Field field) {
  switch (field) {
    case Field::Input: return 0;
    case Field::Jurisdiction: return 1;
    case Field::Valid: return 2;
    case Field::Faults:
    case Field::Code: return 3;
    case Field::Birthplace: return 4;
    case Field::RegionCode: return 5;
    case Field::BirthDate: return 6;
    case Field::Sex: return 7;
    case Field::Upgrade: return 8;
    case Field::Report: return 9;
    case Field::Rules: return 10;
    case Field::Kind: return 11;
    case Field::CheckCodeVerified: return 12;
    default: return std::nullopt;
  }
}

constexpr int kReportColumn = 9;
constexpr int kLastColumn = 12;

// A finding's row: its own columns, then the check's.
constexpr std::optional<int> FindingColumn(Field field) {
  switch (field) {
    case Field::Path: return 0;
    case Field::Line: return 1;
    case Field::Column: return 2;
    case Field::Offset: return 3;
    case Field::Length: return 4;
    case Field::Text: return 5;
    case Field::Plausible: return 6;
    default: return std::nullopt;
  }
}
constexpr int kFindingColumns = 7;

// Writes the fields that are columns as one CSV row. The fields come in the
// order of the JSON object; the columns that come after the report (rules,
// kind, check_code_verified, all fixed words) wait for it. A finding's row
// has its own columns first; the columns are known when compiled.
template <bool kFinding>
class CsvWriter {
 public:
  CsvWriter(RawBytes& row, bool withRules)
      : row_(row), last_(kBase + (withRules ? kLastColumn : kReportColumn)) {}
  void Finish() {
    for (int column = kBase + kReportColumn + 1; column <= last_; ++column) {
      const std::string_view word = late_[column - kBase - kReportColumn - 1];
      MoveTo(column, word.size());
      row_.Put(word);
    }
  }

  void Input(std::string_view bytes) {
    MoveTo(kBase, bytes.size());
    PutBytes(bytes);
  }
  void Bytes(Field field, std::string_view bytes) {
    const auto column = Column(field);
    if (!column) return;
    MoveTo(*column, bytes.size());
    PutBytes(bytes);
  }
  void Number(Field field, std::uint64_t value) {
    const auto column = Column(field);
    if (!column) return;
    MoveTo(*column, kMostDigits);
    row_.PutNumber(value);
  }
  void Text(Field field, std::string_view utf8) {
    const auto column = Column(field);
    if (!column) return;
    MoveTo(*column, utf8.size());
    std::string_view rest = utf8;
    if (row_.PutPrefixWithout(rest, kCsvSpecial)) return;  // most texts
    row_.Unput(utf8.size() - rest.size());
    // The report of a line keeps to its row: a CR or LF echoed from the input becomes a space.
    constexpr auto kLineBreak = [](auto c) { return (c == '\r') | (c == '\n'); };
    if (field == Field::Report && !HoldsNone(utf8, kLineBreak)) {
      std::string oneLine(utf8);
      for (char& c : oneLine)
        if (c == '\r' || c == '\n') c = ' ';
      return PutCsvField(oneLine, row_);
    }
    PutCsvField(utf8, row_);
  }
  // Words are fixed names, codes, digits and dates: nothing to quote.
  void Word(Field field, std::string_view ascii) {
    const auto column = Column(field);
    if (!column) return;
    if (*column > kBase + kReportColumn) {
      late_[*column - kBase - kReportColumn - 1] = ascii;  // a literal, so it outlives the call
      return;
    }
    const bool nextCode = field == Field::Code && codes_++ > 0;
    MoveTo(*column, ascii.size() + 1);
    if (nextCode) row_.Put(';');
    row_.Put(ascii);
  }
  void Bool(Field field, bool value) { Word(field, value ? "true"sv : "false"sv); }
  void Null(Field) {}
  void BeginList(Field) {}
  void BeginItem() {}
  void EndItem() {}
  void EndList() {}

 private:
  // Past the commas before the column, with room for what follows them.
  void MoveTo(int column, std::size_t valueRoom) {
    row_.Room(static_cast<std::size_t>(column - commas_) + valueRoom);
    for (; commas_ < column; ++commas_) row_.Put(',');
  }

  // Bytes that may be ill-formed UTF-8, after the commas before them. A
  // check's input is the most of its row, so most often copied as it is read;
  // a finding's path and number are short, and quoted the plain way.
  [[gnu::always_inline]] void PutBytes(std::string_view bytes) {
    if constexpr (kFinding) {
      if (HoldsNone(bytes, kHigh)) return PutCsvField(bytes, row_);
      return PutCsvField(ValidUtf8(bytes), row_);
    }
    std::string_view rest = bytes;
    if (row_.PutPrefixWithout(rest, kCsvSpecialOrHigh)) return;  // most inputs
    row_.Unput(bytes.size() - rest.size());
    if (HoldsNone(bytes, kHigh)) return PutCsvField(bytes, row_);
    PutCsvField(ValidUtf8(bytes), row_);
  }

  static constexpr int kBase = kFinding ? kFindingColumns : 0;
  // Each field's column, -1 for none.
  static constexpr std::array<std::int8_t, kFieldCount> kColumns = [] {
    std::array<std::int8_t, kFieldCount> columns{};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
      const auto own = FindingColumn(static_cast<Field>(i));
      const auto column = CsvColumn(static_cast<Field>(i));
      columns[i] = static_cast<std::int8_t>(own      ? (kFinding ? *own : -1)
                                            : column ? kBase + *column
                                                     : -1);
    }
    return columns;
  }();

  static constexpr std::optional<int> Column(Field field) {
    if constexpr (!kFinding) return CsvColumn(field);
    const int column = kColumns[Index(field)];
    if (column < 0) return std::nullopt;
    return column;
  }

  RawBytes& row_;
  const int last_;
  int commas_ = 0;
  int codes_ = 0;
  std::string_view late_[kLastColumn - kReportColumn];
};

// Writes one record whole into the room, then appends it to out.
template <typename Writer>
void AppendRecord(std::string_view input, const IdAnalysis* id, std::string_view reportUtf8,
                  std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                  std::string& out, Writer makeWriter) {
  RawBytes bytes(room);
  auto writer = makeWriter(bytes);
  VisitCheckFields(input, id, reportUtf8, writer, rules, scratch);
  writer.Finish();
  out.append(bytes.Written());
}

}  // namespace

void AppendJsonRecord(std::string_view input, const IdAnalysis* id, std::string_view reportUtf8,
                      std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                      std::string& out) {
  AppendRecord(input, id, reportUtf8, rules, room, scratch, out,
               [](RawBytes& bytes) { return JsonWriter(bytes); });
}

void AppendCsvRecord(std::string_view input, const IdAnalysis* id, std::string_view reportUtf8,
                     std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                     std::string& out) {
  AppendRecord(input, id, reportUtf8, rules, room, scratch, out,
               [&](RawBytes& bytes) { return CsvWriter<false>(bytes, rules.has_value()); });
}

namespace {

// The JSON writer as a type of its own for a finding's record, compiled
// cold, for size: the check's records, a batch's hot path, then keep the
// inlining they have alone, which the findings' use of the same writers would
// otherwise cost them (the CSV writer's flavours are types of their own).
template <typename Writer>
struct FindingWriter : Writer {
  using Writer::Writer;
};

}  // namespace

[[gnu::cold]] void AppendFindingJsonRecord(const Finding& finding,
                                           std::optional<std::string_view> path,
                                           std::optional<RuleSet> rules, std::string& room,
                                           std::string& scratch, std::string& out) {
  RawBytes bytes(room);
  FindingWriter<JsonWriter> writer(bytes);
  VisitFindingFields(finding, path, writer, rules, scratch);
  writer.Finish();
  out.append(bytes.Written());
}

void AppendFindingCsvRecord(const Finding& finding, std::optional<std::string_view> path,
                            std::optional<RuleSet> rules, std::string& room, std::string& scratch,
                            std::string& out) {
  RawBytes bytes(room);
  CsvWriter<true> writer(bytes, rules.has_value());
  VisitFindingFields(finding, path, writer, rules, scratch);
  writer.Finish();
  out.append(bytes.Written());
}

void AppendCheckJson(std::string_view input, const IdReport* report, std::string& out,
                     std::optional<RuleSet> rules) {
  std::string room, scratch;
  AppendJsonRecord(input, report ? &report->analysis : nullptr,
                   report ? std::string_view(report->text) : std::string_view(), rules, room,
                   scratch, out);
}

void AppendCheckCsv(std::string_view input, const IdReport* report, std::string& out,
                    std::optional<RuleSet> rules) {
  std::string room, scratch;
  AppendCsvRecord(input, report ? &report->analysis : nullptr,
                  report ? std::string_view(report->text) : std::string_view(), rules, room,
                  scratch, out);
}

std::string_view fields::GbkToUtf8Into(std::string_view gbk, std::string& scratch) {
  scratch.clear();
  AppendGbkToUtf8(gbk, scratch);
  return scratch;
}

void WriteIsoDate(const CivilDate& date, char (&text)[kIsoDateSize]) {
  static constexpr auto kTwoDigits = [] {
    std::array<char, 200> digits{};
    for (int i = 0; i < 100; ++i) {
      digits[2 * i] = static_cast<char>('0' + i / 10);
      digits[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return digits;
  }();
  const auto put = [&](int at, int twoDigits) {
    std::memcpy(text + at, &kTwoDigits[2 * twoDigits], 2);
  };
  const int year = date.year % 10000;
  put(0, year / 100);
  put(2, year % 100);
  text[4] = '-';
  put(5, date.month % 100);
  text[7] = '-';
  put(8, date.day % 100);
}

std::string IsoDate(const CivilDate& date) {
  char text[kIsoDateSize];
  WriteIsoDate(date, text);
  return {text, sizeof text};
}

std::string ValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    std::size_t consumed = 0;
    const std::size_t length = WellFormedLength(bytes, consumed);
    out.append(length ? bytes.substr(0, length) : kReplacement);
    bytes.remove_prefix(length ? length : consumed);
  }
  return out;
}

void AppendCsvField(std::string_view bytes, std::string& row) {
  const std::string utf8 = HoldsNone(bytes, kHigh) ? std::string(bytes) : ValidUtf8(bytes);
  std::string field;
  RawBytes raw(field);
  PutCsvField(utf8, raw);
  row += raw.Written();
}

std::string JsonString(std::string_view bytes) {
  std::string room(QuotedRoom(bytes), '\0');
  RawBytes quoted(room);
  PutQuoted(bytes, kJsonSpecialOrHigh, quoted);
  return std::string(quoted.Written());
}

std::string_view CsvHeader(std::optional<RuleSet> rules) {
  static constexpr std::string_view kHeader =
      "input,jurisdiction,valid,faults,birthplace,region_code,birth_date,sex,upgrade,report,"
      "rules,kind,check_code_verified";
  return rules ? kHeader : kHeader.substr(0, kHeader.find(",rules"));
}

}  // namespace kesmal

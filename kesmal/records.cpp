#include "kesmal/records.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "kesmal/byte_scan.h"
#include "rules/gbk_codec.h"

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

const char* JurisdictionName(Jurisdiction jurisdiction) {
  switch (jurisdiction) {
    case Jurisdiction::Taiwan: return "tw";
    case Jurisdiction::HongKong: return "hk";
    case Jurisdiction::China: return "cn";
    case Jurisdiction::ChinaOld: return "cn15";
    case Jurisdiction::Korea: return "kr";
  }
  return "";
}

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
constexpr auto kHigh = [](auto c) { return c >= 0x80; };

void AppendEscape(char c, std::string& out) {
  switch (c) {
    case '"': out += "\\\""sv; return;
    case '\\': out += "\\\\"sv; return;
    case '\n': out += "\\n"sv; return;
    case '\r': out += "\\r"sv; return;
    case '\t': out += "\\t"sv; return;
  }
  constexpr char kHex[] = "0123456789abcdef";
  const auto byte = static_cast<unsigned char>(c);
  out += "\\u00"sv;
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// A quoted JSON string of any bytes. Text known to be UTF-8 (the codec's
// output and the rules' own text) is not decoded again.
void AppendQuoted(std::string_view bytes, bool knownUtf8, std::string& out) {
  out += '"';
  for (;;) {
    const std::size_t plain =
        knownUtf8 ? PrefixWithout(bytes, kJsonSpecial) : PrefixWithout(bytes, kJsonSpecialOrHigh);
    out.append(bytes.substr(0, plain));
    bytes.remove_prefix(plain);
    if (bytes.empty()) break;
    std::size_t consumed = 1;
    const std::size_t length =
        static_cast<unsigned char>(bytes[0]) < 0x80 ? 1 : WellFormedLength(bytes, consumed);
    if (length == 0) {
      out += kReplacement;
      bytes.remove_prefix(consumed);
    } else {
      if (length == 1)
        AppendEscape(bytes[0], out);
      else
        out.append(bytes.substr(0, length));
      bytes.remove_prefix(length);
    }
  }
  out += '"';
}

constexpr std::size_t Index(Field field) { return static_cast<std::size_t>(field); }

// Writes the fields as one JSON object, appended to a string. Only the input
// can be ill-formed; every other text is the rules' own or the codec's UTF-8.
class JsonWriter {
 public:
  explicit JsonWriter(std::string& json) : json_(json) { json_ += '{'; }
  void Finish() { json_ += '}'; }

  void Input(std::string_view bytes) {
    Key(Field::Input);
    AppendQuoted(bytes, false, json_);
  }
  void Text(Field field, std::string_view utf8) {
    Key(field);
    AppendQuoted(utf8, true, json_);
  }
  void Word(Field field, std::string_view ascii) {
    Key(field);
    json_ += '"';
    json_ += ascii;
    json_ += '"';
  }
  void Bool(Field field, bool value) {
    Key(field);
    json_ += value ? "true"sv : "false"sv;
  }
  void Null(Field field) {
    Key(field);
    json_ += "null"sv;
  }
  void BeginList(Field field) {
    Key(field);
    json_ += '[';
    first_ = true;
  }
  void BeginItem() {
    if (!first_) json_ += ',';
    json_ += '{';
    first_ = true;
  }
  void EndItem() { Close('}'); }
  void EndList() { Close(']'); }

 private:
#define KESMAL_JSON_KEY(id, key) "\"" key "\":",
#define KESMAL_JSON_NEXT_KEY(id, key) ",\"" key "\":",
  static constexpr std::string_view kFirstKeys[] = {KESMAL_CHECK_FIELDS(KESMAL_JSON_KEY)};
  static constexpr std::string_view kNextKeys[] = {KESMAL_CHECK_FIELDS(KESMAL_JSON_NEXT_KEY)};
#undef KESMAL_JSON_KEY
#undef KESMAL_JSON_NEXT_KEY

  void Key(Field field) {
    json_ += (first_ ? kFirstKeys : kNextKeys)[Index(field)];
    first_ = false;
  }
  void Close(char bracket) {
    json_ += bracket;
    first_ = false;
  }

  std::string& json_;
  bool first_ = true;
};

// A field quoted when it holds a comma, quote, CR or LF, its quotes doubled.
void AppendCsvUtf8(std::string_view utf8, std::string& row) {
  std::size_t plain = PrefixWithout(utf8, kCsvSpecial);
  if (plain == utf8.size()) {
    row.append(utf8);
    return;
  }
  row += '"';
  while (plain < utf8.size()) {
    row.append(utf8.substr(0, plain));
    if (utf8[plain] == '"') row += '"';
    row += utf8[plain];
    utf8.remove_prefix(plain + 1);
    plain = PrefixWithout(utf8, [](auto c) { return c == '"'; });
  }
  row.append(utf8);
  row += '"';
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

// Writes the fields that are columns as one CSV row, appended to a string. The
// fields come in the order of the JSON object; the columns that come after the
// report (rules, kind, check_code_verified, all fixed words) wait for it.
class CsvWriter {
 public:
  CsvWriter(std::string& row, bool withRules)
      : row_(row), last_(withRules ? kLastColumn : kReportColumn) {}
  void Finish() {
    for (int column = kReportColumn + 1; column <= last_; ++column) {
      MoveTo(column);
      row_ += late_[column - kReportColumn - 1];
    }
  }

  void Input(std::string_view bytes) {
    MoveTo(0);
    AppendCsvField(bytes, row_);
  }
  void Text(Field field, std::string_view utf8) {
    const auto column = CsvColumn(field);
    if (!column) return;
    MoveTo(*column);
    // The report of a line keeps to its row: a CR or LF echoed from the input becomes a space.
    constexpr auto kLineBreak = [](auto c) { return (c == '\r') | (c == '\n'); };
    if (field == Field::Report && !HoldsNone(utf8, kLineBreak)) {
      std::string oneLine(utf8);
      for (char& c : oneLine)
        if (c == '\r' || c == '\n') c = ' ';
      return AppendCsvUtf8(oneLine, row_);
    }
    AppendCsvUtf8(utf8, row_);
  }
  // Words are fixed names, codes, digits and dates: nothing to quote.
  void Word(Field field, std::string_view ascii) {
    const auto column = CsvColumn(field);
    if (!column) return;
    if (*column > kReportColumn) {
      late_[*column - kReportColumn - 1] = ascii;  // a literal, so it outlives the call
      return;
    }
    if (field == Field::Code && codes_++ > 0) row_ += ';';
    MoveTo(*column);
    row_ += ascii;
  }
  void Bool(Field field, bool value) { Word(field, value ? "true"sv : "false"sv); }
  void Null(Field) {}
  void BeginList(Field) {}
  void BeginItem() {}
  void EndItem() {}
  void EndList() {}

 private:
  void MoveTo(int column) {
    for (; commas_ < column; ++commas_) row_ += ',';
  }

  std::string& row_;
  const int last_;
  int commas_ = 0;
  int codes_ = 0;
  std::string_view late_[kLastColumn - kReportColumn];
};

template <typename Writer>
void Write(std::string_view input, const IdReport* report, std::optional<RuleSet> rules,
           Writer&& writer) {
  VisitCheckFields(input, report, writer, rules);
  writer.Finish();
}

const IdReport* Present(const std::optional<IdReport>& report) {
  return report ? &*report : nullptr;
}

}  // namespace

std::string IsoDate(const CivilDate& date) {
  char text[] = "0000-00-00";
  const auto put = [&](int last, int digits, int value) {
    for (int i = 0; i < digits; ++i, value /= 10)
      text[last - i] = static_cast<char>('0' + value % 10);
  };
  put(3, 4, date.year);
  put(6, 2, date.month);
  put(9, 2, date.day);
  return text;
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
  if (HoldsNone(bytes, kHigh))
    AppendCsvUtf8(bytes, row);
  else
    AppendCsvUtf8(ValidUtf8(bytes), row);
}

std::string JsonString(std::string_view bytes) {
  std::string out;
  AppendQuoted(bytes, false, out);
  return out;
}

void AppendCheckJson(std::string_view input, const IdReport* report, std::string& out,
                     std::optional<RuleSet> rules) {
  Write(input, report, rules, JsonWriter(out));
}

std::string CheckJson(std::string_view input, const std::optional<IdReport>& report,
                      std::optional<RuleSet> rules) {
  std::string json;
  AppendCheckJson(input, Present(report), json, rules);
  return json;
}

std::string_view CsvHeader(std::optional<RuleSet> rules) {
  static constexpr std::string_view kHeader =
      "input,jurisdiction,valid,faults,birthplace,region_code,birth_date,sex,upgrade,report,"
      "rules,kind,check_code_verified";
  return rules ? kHeader : kHeader.substr(0, kHeader.find(",rules"));
}

void AppendCheckCsv(std::string_view input, const IdReport* report, std::string& out,
                    std::optional<RuleSet> rules) {
  Write(input, report, rules, CsvWriter(out, rules.has_value()));
}

std::string CheckCsv(std::string_view input, const std::optional<IdReport>& report,
                     std::optional<RuleSet> rules) {
  std::string row;
  AppendCheckCsv(input, Present(report), row, rules);
  return row;
}

}  // namespace kesmal

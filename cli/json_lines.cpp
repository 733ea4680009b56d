#include "cli/json_lines.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "rules/gbk_codec.h"

namespace kesmal::cli {
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

}  // namespace

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

namespace {

const char* KindName(IdKind kind) {
  switch (kind) {
    case IdKind::IdentityCard: return "identity_card";
    case IdKind::ResidentCertificate: return "resident_certificate";
    case IdKind::ForeignResident: return "foreign_resident";
    case IdKind::ResidencePermit: return "residence_permit";
  }
  return "";
}

// What today's rules add: a valid number's kind, and for Korea whether the
// check digit was verified.
void VisitCurrentFields(const IdAnalysis& id, CheckFieldSink& sink) {
  if (id.kind) sink.Text("kind", KindName(*id.kind));
  if (id.jurisdiction == Jurisdiction::Korea)
    sink.Bool("check_code_verified", id.checkCodeVerified.value_or(false));
}

// Bytes a JSON string holds as they are: not a quote, a backslash or a
// control character; bytes of 0x80 and above only in text known to be UTF-8.
constexpr bool IsPlain(unsigned char c, bool knownUtf8) {
  return c >= 0x20 && c != '"' && c != '\\' && c != 0x7F && (knownUtf8 || c < 0x80);
}

// How many bytes at the start are plain, looked at sixteen at a time:
// reports and messages are long and have nothing to escape.
std::size_t PlainPrefix(std::string_view text, bool knownUtf8) {
  using Bytes = unsigned char __attribute__((vector_size(16)));
  std::size_t i = 0;
  for (; i + sizeof(Bytes) <= text.size(); i += sizeof(Bytes)) {
    Bytes v;
    std::memcpy(&v, text.data() + i, sizeof v);
    auto special = (v < 0x20) | (v == '"') | (v == '\\') | (v == 0x7F);
    if (!knownUtf8) special |= v >= 0x80;
    std::uint64_t halves[2];
    std::memcpy(halves, &special, sizeof halves);
    if (halves[0] | halves[1]) break;
  }
  while (i < text.size() && IsPlain(static_cast<unsigned char>(text[i]), knownUtf8)) ++i;
  return i;
}

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
    const std::size_t plain = PlainPrefix(bytes, knownUtf8);
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

namespace {

const char* SexName(HolderSex sex) { return sex == HolderSex::Male ? "male" : "female"; }

// Writes the fields as one JSON object, appended to a string. Only the input
// can be ill-formed; every other text is the rules' own or the codec's UTF-8.
class JsonWriter final : public CheckFieldSink {
 public:
  explicit JsonWriter(std::string& json) : json_(json) { json_ += '{'; }
  ~JsonWriter() { json_ += '}'; }
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  void Text(std::string_view key, std::string_view utf8) override {
    Key(key);
    AppendQuoted(utf8, key != "input"sv, json_);
  }
  void Bool(std::string_view key, bool value) override {
    Key(key);
    json_ += value ? "true"sv : "false"sv;
  }
  void Null(std::string_view key) override {
    Key(key);
    json_ += "null"sv;
  }
  void BeginList(std::string_view key) override {
    Key(key);
    json_ += '[';
    first_ = true;
  }
  void BeginItem() override {
    if (!first_) json_ += ',';
    json_ += '{';
    first_ = true;
  }
  void EndItem() override { Close('}'); }
  void EndList() override { Close(']'); }

 private:
  void Key(std::string_view key) {
    if (!first_) json_ += ',';
    first_ = false;
    json_ += '"';
    json_ += key;
    json_ += "\":"sv;
  }
  void Close(char bracket) {
    json_ += bracket;
    first_ = false;
  }

  std::string& json_;
  bool first_ = true;
};

void VisitFaults(const std::vector<Fault>& faults, CheckFieldSink& sink) {
  sink.BeginList("faults");
  for (const Fault& fault : faults) {
    sink.BeginItem();
    sink.Text("code", FaultName(fault.code));
    const kesmal::Text sentence = fault.Sentence();
    sink.Text("message", sentence.utf8.data() ? sentence.utf8 : GbkToUtf8(sentence.gbk));
    if (fault.code == FaultCode::CheckCode) sink.Text("expected", {&fault.expected, 1});
    sink.EndItem();
  }
  sink.EndList();
}

// What a valid number carries; a mainland number names its region by code,
// and the name may be unknown.
void VisitHolder(const IdAnalysis& id, CheckFieldSink& sink) {
  if (id.birthplace)
    sink.Text("birthplace", GbkToUtf8(*id.birthplace));
  else if (id.regionCode)
    sink.Null("birthplace");
  if (id.regionCode) sink.Text("region_code", *id.regionCode);
  if (id.birthday) {
    sink.Text("birth_date", IsoDate(id.birthday->date));
    sink.Bool("not_yet_born", id.birthday->notYetBorn);
    sink.Bool("record_age", id.birthday->recordAge);
  }
  if (id.sex) sink.Text("sex", SexName(*id.sex));
  if (id.upgrade) sink.Text("upgrade", *id.upgrade);
}

// Gathers the fields that are columns of --csv; a list gives its codes.
class CsvWriter final : public CheckFieldSink {
 public:
  static constexpr std::string_view kKeys[] = {
      "input", "jurisdiction", "valid",  "faults", "birthplace", "region_code",        "birth_date",
      "sex",   "upgrade",      "report", "rules",  "kind",       "check_code_verified"};
  static constexpr std::size_t kReport = 9;
  static constexpr std::size_t kClassicColumns = kReport + 1;
  std::string columns[std::size(kKeys)];

  void Text(std::string_view key, std::string_view utf8) override {
    if (!inList_) return Set(key, utf8);
    if (key != "code") return;
    std::string& codes = columns[kFaults];
    if (!codes.empty()) codes += ';';
    codes += utf8;
  }
  void Bool(std::string_view key, bool value) override { Set(key, value ? "true" : "false"); }
  void Null(std::string_view) override {}
  void BeginList(std::string_view) override { inList_ = true; }
  void BeginItem() override {}
  void EndItem() override {}
  void EndList() override { inList_ = false; }

 private:
  static constexpr std::size_t kFaults = 3;
  void Set(std::string_view key, std::string_view value) {
    for (std::size_t i = 0; i < std::size(kKeys); ++i)
      if (kKeys[i] == key) columns[i] = value;
  }

  bool inList_ = false;
};

// A field quoted when it holds a comma, quote, CR or LF, its quotes doubled.
void AppendCsvField(std::string& row, std::string_view utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) {
    row.append(utf8);
    return;
  }
  row += '"';
  for (const char c : utf8) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

}  // namespace

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

std::string JsonString(std::string_view bytes) {
  std::string out;
  AppendQuoted(bytes, false, out);
  return out;
}

void VisitCheckFields(std::string_view input, const std::optional<IdReport>& report,
                      CheckFieldSink& sink, std::optional<RuleSet> rules) {
  sink.Text("input", input);
  if (rules) sink.Text("rules", rules == RuleSet::Current ? "current" : "classic");
  if (!report) {
    sink.Null("jurisdiction");
    sink.Null("valid");
    sink.BeginList("faults");
    sink.EndList();
    sink.Text("report", "");
    return;
  }
  const IdAnalysis& id = report->analysis;
  if (id.jurisdiction)
    sink.Text("jurisdiction", JurisdictionName(*id.jurisdiction));
  else
    sink.Null("jurisdiction");
  sink.Bool("valid", report->valid);
  VisitFaults(id.faults, sink);
  VisitHolder(id, sink);
  if (rules == RuleSet::Current) VisitCurrentFields(id, sink);
  sink.Text("report", report->encoding == Encoding::Utf8 ? report->text : GbkToUtf8(report->text));
}

void AppendCheckJson(std::string_view input, const std::optional<IdReport>& report,
                     std::string& out, std::optional<RuleSet> rules) {
  JsonWriter writer(out);
  VisitCheckFields(input, report, writer, rules);
}

std::string CheckJson(std::string_view input, const std::optional<IdReport>& report,
                      std::optional<RuleSet> rules) {
  std::string json;
  AppendCheckJson(input, report, json, rules);
  return json;
}

std::string_view CsvHeader(std::optional<RuleSet> rules) {
  static constexpr std::string_view kHeader =
      "input,jurisdiction,valid,faults,birthplace,region_code,birth_date,sex,upgrade,report,"
      "rules,kind,check_code_verified";
  return rules ? kHeader : kHeader.substr(0, kHeader.find(",rules"));
}

std::string CheckCsv(std::string_view input, const std::optional<IdReport>& report,
                     std::optional<RuleSet> rules) {
  CsvWriter writer;
  VisitCheckFields(input, report, writer, rules);
  // The report of a line keeps to its row: a CR or LF echoed from the input becomes a space.
  for (char& c : writer.columns[CsvWriter::kReport])
    if (c == '\r' || c == '\n') c = ' ';
  const std::size_t count = rules ? std::size(CsvWriter::kKeys) : CsvWriter::kClassicColumns;
  std::string row;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) row += ',';
    AppendCsvField(row, ValidUtf8(writer.columns[i]));
  }
  return row;
}

}  // namespace kesmal::cli

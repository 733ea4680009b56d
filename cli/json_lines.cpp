#include "cli/json_lines.h"

#include <cstdio>
#include <iterator>
#include <utility>
#include <vector>

#include "rules/gbk_codec.h"

namespace kesmal::cli {
namespace {

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
  }
  return "";
}

std::string IsoDate(const CivilDate& date) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

namespace {

const char* SexName(HolderSex sex) { return sex == HolderSex::Male ? "male" : "female"; }

// Writes the fields as one JSON object.
class JsonWriter final : public CheckFieldSink {
 public:
  std::string json = "{";

  void Text(std::string_view key, std::string_view utf8) override {
    Key(key);
    json += JsonString(utf8);
  }
  void Bool(std::string_view key, bool value) override {
    Key(key);
    json += value ? "true" : "false";
  }
  void Null(std::string_view key) override {
    Key(key);
    json += "null";
  }
  void BeginList(std::string_view key) override {
    Key(key);
    json += '[';
    first_ = true;
  }
  void BeginItem() override {
    if (!first_) json += ',';
    json += '{';
    first_ = true;
  }
  void EndItem() override { Close('}'); }
  void EndList() override { Close(']'); }

 private:
  void Key(std::string_view key) {
    if (!first_) json += ',';
    first_ = false;
    json += '"';
    json += key;
    json += "\":";
  }
  void Close(char bracket) {
    json += bracket;
    first_ = false;
  }

  bool first_ = true;
};

void VisitFaults(const std::vector<Fault>& faults, CheckFieldSink& sink) {
  sink.BeginList("faults");
  for (const Fault& fault : faults) {
    sink.BeginItem();
    sink.Text("code", FaultName(fault.code));
    sink.Text("message", GbkToUtf8(fault.sentence));
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
  static constexpr std::string_view kKeys[] = {"input",      "jurisdiction", "valid",      "faults",
                                               "birthplace", "region_code",  "birth_date", "sex",
                                               "upgrade",    "report"};
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
  std::string out = "\"";
  while (!bytes.empty()) {
    std::size_t consumed = 0;
    const std::size_t length = WellFormedLength(bytes, consumed);
    if (length == 0) {
      out += kReplacement;
      bytes.remove_prefix(consumed);
      continue;
    }
    const char c = bytes[0];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
      out += escape;
    } else {
      out.append(bytes.substr(0, length));
    }
    bytes.remove_prefix(length);
  }
  return out + '"';
}

void VisitCheckFields(std::string_view input, const std::optional<IdReport>& report,
                      CheckFieldSink& sink) {
  sink.Text("input", input);
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
  sink.Text("report", GbkToUtf8(report->text));
}

std::string CheckJson(std::string_view input, const std::optional<IdReport>& report) {
  JsonWriter writer;
  VisitCheckFields(input, report, writer);
  return std::move(writer.json) + '}';
}

std::string CheckCsv(std::string_view input, const std::optional<IdReport>& report) {
  CsvWriter writer;
  VisitCheckFields(input, report, writer);
  // The report of a line keeps to its row: a CR or LF echoed from the input becomes a space.
  for (char& c : writer.columns[std::size(CsvWriter::kKeys) - 1])
    if (c == '\r' || c == '\n') c = ' ';
  std::string row;
  for (const std::string& column : writer.columns) {
    if (&column != writer.columns) row += ',';
    AppendCsvField(row, ValidUtf8(column));
  }
  return row;
}

}  // namespace kesmal::cli

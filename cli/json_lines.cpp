#include "cli/json_lines.h"

#include <cstdio>

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

std::string Bool(bool value) { return value ? "true" : "false"; }

// The text of the rules is GBK.
std::string GbkString(std::string_view gbk) { return JsonString(GbkToUtf8(gbk)); }

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

std::string CheckJson(std::string_view input, const std::optional<IdReport>& report) {
  std::string json = "{\"input\":" + JsonString(input);
  if (!report) return json + R"(,"jurisdiction":null,"valid":null,"faults":[],"report":""})";

  const IdAnalysis& id = report->analysis;
  json += ",\"jurisdiction\":";
  json += id.jurisdiction ? JsonString(JurisdictionName(*id.jurisdiction)) : "null";
  json += ",\"valid\":" + Bool(report->valid) + ",\"faults\":[";
  for (std::size_t i = 0; i < id.faults.size(); ++i) {
    const Fault& fault = id.faults[i];
    json += (i ? ",{\"code\":" : "{\"code\":") + JsonString(FaultName(fault.code));
    json += ",\"message\":" + GbkString(fault.sentence);
    if (fault.code == FaultCode::CheckCode)
      json += ",\"expected\":" + JsonString(std::string(1, fault.expected));
    json += '}';
  }
  json += ']';

  // A mainland number names its region by code; the name may be unknown.
  if (id.regionCode)
    json += ",\"birthplace\":" + (id.birthplace ? GbkString(*id.birthplace) : "null") +
            ",\"region_code\":" + JsonString(*id.regionCode);
  else if (id.birthplace)
    json += ",\"birthplace\":" + GbkString(*id.birthplace);
  if (id.birthday)
    json += ",\"birth_date\":" + JsonString(IsoDate(id.birthday->date)) +
            ",\"not_yet_born\":" + Bool(id.birthday->notYetBorn) +
            ",\"record_age\":" + Bool(id.birthday->recordAge);
  if (id.sex)
    json += std::string(",\"sex\":\"") + (*id.sex == HolderSex::Male ? "male" : "female") + '"';
  if (id.upgrade) json += ",\"upgrade\":" + JsonString(*id.upgrade);
  return json + ",\"report\":" + GbkString(report->text) + '}';
}

}  // namespace kesmal::cli

namespace kesmal::cli {
namespace {

// A field quoted when it holds a comma, quote, CR or LF, its quotes doubled.
void AppendCsvField(std::string& row, std::string_view utf8) {
  if (!row.empty()) row += ',';
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

// The report of a line keeps to its row: a CR or LF echoed from the input becomes a space.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

std::string CheckCsv(std::string_view input, const std::optional<IdReport>& report) {
  std::string row;
  AppendCsvField(row, ValidUtf8(input));
  if (!report) return row + ",,,,,,,,,";
  const IdAnalysis& id = report->analysis;
  std::string faults;
  for (const Fault& fault : id.faults)
    faults += (faults.empty() ? "" : ";") + std::string(FaultName(fault.code));
  AppendCsvField(row, id.jurisdiction ? JurisdictionName(*id.jurisdiction) : "");
  AppendCsvField(row, report->valid ? "true" : "false");
  AppendCsvField(row, faults);
  AppendCsvField(row, id.birthplace ? GbkToUtf8(*id.birthplace) : "");
  AppendCsvField(row, id.regionCode ? *id.regionCode : "");
  AppendCsvField(row, id.birthday ? IsoDate(id.birthday->date) : "");
  AppendCsvField(row, id.sex ? (*id.sex == HolderSex::Male ? "male" : "female") : "");
  AppendCsvField(row, id.upgrade ? *id.upgrade : "");
  AppendCsvField(row, OneLine(ValidUtf8(GbkToUtf8(report->text))));
  return row;
}

}  // namespace kesmal::cli

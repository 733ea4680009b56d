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

// Bytes a JSON string holds as they are: not a quote, a backslash or a
// control character. Bytes of 0x80 and above pass when the text is known to
// be UTF-8.
constexpr bool IsPlain(unsigned char c) { return c >= 0x20 && c != '"' && c != '\\' && c != 0x7F; }

void AppendEscape(char c, std::string& out) {
  switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
  }
  constexpr char kHex[] = "0123456789abcdef";
  const auto byte = static_cast<unsigned char>(c);
  out += "\\u00";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// A quoted JSON string of text that is already UTF-8 (the codec's output and
// the rules' own text): only quotes, backslashes and controls need work.
void AppendUtf8String(std::string_view utf8, std::string& out) {
  out += '"';
  std::size_t plain = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (IsPlain(static_cast<unsigned char>(utf8[i]))) continue;
    out.append(utf8.substr(plain, i - plain));
    AppendEscape(utf8[i], out);
    plain = i + 1;
  }
  out.append(utf8.substr(plain));
  out += '"';
}

void AppendGbkString(std::string_view gbk, std::string& out) {
  thread_local std::string utf8;  // keeps its storage from call to call
  utf8.clear();
  AppendGbkToUtf8(gbk, utf8);
  AppendUtf8String(utf8, out);
}

void AppendSentence(Text sentence, std::string& out) {
  if (sentence.utf8.data())
    AppendUtf8String(sentence.utf8, out);
  else
    AppendGbkString(sentence.gbk, out);
}

void AppendIsoDate(const CivilDate& date, std::string& out) {
  char text[40];
  const int size =
      std::snprintf(text, sizeof text, "\"%04d-%02d-%02d\"", date.year, date.month, date.day);
  out.append(text, static_cast<std::size_t>(size));
}

const char* Bool(bool value) { return value ? "true" : "false"; }

void AppendFaults(const IdAnalysis& id, std::string& out) {
  out += ",\"faults\":[";
  for (std::size_t i = 0; i < id.faults.size(); ++i) {
    const Fault& fault = id.faults[i];
    out += i ? ",{\"code\":\"" : "{\"code\":\"";
    out += FaultName(fault.code);
    out += "\",\"message\":";
    AppendSentence(fault.Sentence(), out);
    if (fault.code == FaultCode::CheckCode) {
      out += ",\"expected\":";
      AppendJsonString({&fault.expected, 1}, out);
    }
    out += '}';
  }
  out += ']';
}

// The fields a valid number carries.
void AppendFacts(const IdAnalysis& id, std::string& out) {
  // A mainland number names its region by code; the name may be unknown.
  if (id.birthplace || id.regionCode) {
    out += ",\"birthplace\":";
    if (id.birthplace)
      AppendGbkString(*id.birthplace, out);
    else
      out += "null";
  }
  if (id.regionCode) {
    out += ",\"region_code\":";
    AppendJsonString(*id.regionCode, out);
  }
  if (id.birthday) {
    out += ",\"birth_date\":";
    AppendIsoDate(id.birthday->date, out);
    out += ",\"not_yet_born\":";
    out += Bool(id.birthday->notYetBorn);
    out += ",\"record_age\":";
    out += Bool(id.birthday->recordAge);
  }
  if (id.sex) out += *id.sex == HolderSex::Male ? ",\"sex\":\"male\"" : ",\"sex\":\"female\"";
  if (id.upgrade) {
    out += ",\"upgrade\":";
    AppendJsonString(*id.upgrade, out);
  }
}

}  // namespace

void AppendJsonString(std::string_view bytes, std::string& out) {
  out += '"';
  while (!bytes.empty()) {
    std::size_t plain = 0;
    while (plain < bytes.size() && static_cast<unsigned char>(bytes[plain]) < 0x80 &&
           IsPlain(static_cast<unsigned char>(bytes[plain])))
      ++plain;
    out.append(bytes.substr(0, plain));
    bytes.remove_prefix(plain);
    if (bytes.empty()) break;

    std::size_t consumed = 0;
    const std::size_t length = WellFormedLength(bytes, consumed);
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

std::string JsonString(std::string_view bytes) {
  std::string out;
  AppendJsonString(bytes, out);
  return out;
}

void AppendCheckJson(std::string_view input, const std::optional<IdReport>& report,
                     std::string& out) {
  out += "{\"input\":";
  AppendJsonString(input, out);
  if (!report) {
    out += R"(,"jurisdiction":null,"valid":null,"faults":[],"report":""})";
    return;
  }
  const IdAnalysis& id = report->analysis;
  out += ",\"jurisdiction\":";
  if (id.jurisdiction) {
    out += '"';
    out += JurisdictionName(*id.jurisdiction);
    out += '"';
  } else {
    out += "null";
  }
  out += ",\"valid\":";
  out += Bool(report->valid);
  AppendFaults(id, out);
  AppendFacts(id, out);
  out += ",\"report\":";
  if (report->encoding == Encoding::Utf8)
    AppendUtf8String(report->text, out);
  else
    AppendGbkString(report->text, out);
  out += '}';
}

std::string CheckJson(std::string_view input, const std::optional<IdReport>& report) {
  std::string json;
  AppendCheckJson(input, report, json);
  return json;
}

}  // namespace kesmal::cli

#include "cli/json_lines.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iterator>

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

std::string_view JurisdictionName(Jurisdiction jurisdiction) {
  switch (jurisdiction) {
    case Jurisdiction::Taiwan: return "tw";
    case Jurisdiction::HongKong: return "hk";
    case Jurisdiction::China: return "cn";
    case Jurisdiction::ChinaOld: return "cn15";
    case Jurisdiction::Korea: return "kr";
  }
  return "";
}

std::string_view FaultName(FaultCode code) {
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
// control character; bytes of 0x80 and above only in text known to be UTF-8.
constexpr bool IsPlain(unsigned char c, bool knownUtf8) {
  return c >= 0x20 && c != '"' && c != '\\' && c != 0x7F && (knownUtf8 || c < 0x80);
}

// How many bytes at the start are plain, looked at eight at a time: reports
// and messages are long and have nothing to escape.
std::size_t PlainPrefix(std::string_view text, bool knownUtf8) {
  constexpr std::uint64_t kOnes = 0x0101010101010101, kHighs = 0x8080808080808080;
  // Exact about whether some byte is zero, or below n (n <= 0x80).
  const auto below = [](std::uint64_t v, std::uint64_t n) { return (v - kOnes * n) & ~v & kHighs; };
  const auto holds = [&](std::uint64_t v, char c) {
    return below(v ^ (kOnes * static_cast<unsigned char>(c)), 1);
  };
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t v;
    std::memcpy(&v, text.data() + i, sizeof v);
    if (below(v, 0x20) | holds(v, '"') | holds(v, '\\') | holds(v, 0x7F) |
        (knownUtf8 ? 0 : v & kHighs))
      break;
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

void AppendGbkString(std::string_view gbk, std::string& out) {
  thread_local std::string utf8;  // keeps its storage from call to call
  utf8.clear();
  AppendGbkToUtf8(gbk, utf8);
  AppendQuoted(utf8, true, out);
}

void AppendSentence(Text sentence, std::string& out) {
  if (sentence.utf8.data()) {  // the rules' fixed text, with nothing to escape
    out += '"';
    out += sentence.utf8;
    out += '"';
  } else
    AppendGbkString(sentence.gbk, out);
}

void AppendDigits(int value, int width, std::string& out) {
  char digits[12];
  const auto [end, error] = std::to_chars(digits, std::end(digits), value);
  out.append(std::max(0, width - static_cast<int>(end - digits)), '0');
  out.append(digits, end);
}

void AppendIsoDate(const CivilDate& date, std::string& out) {
  out += '"';
  AppendDigits(date.year, 4, out);
  out += '-';
  AppendDigits(date.month, 2, out);
  out += '-';
  AppendDigits(date.day, 2, out);
  out += '"';
}

std::string_view Bool(bool value) { return value ? "true"sv : "false"sv; }

void AppendFaults(const IdAnalysis& id, std::string& out) {
  out += ",\"faults\":["sv;
  for (std::size_t i = 0; i < id.faults.size(); ++i) {
    const Fault& fault = id.faults[i];
    out += i ? ",{\"code\":\""sv : "{\"code\":\""sv;
    out += FaultName(fault.code);
    out += "\",\"message\":"sv;
    AppendSentence(fault.Sentence(), out);
    if (fault.code == FaultCode::CheckCode) {
      out += ",\"expected\":"sv;
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
    out += ",\"birthplace\":"sv;
    if (id.birthplace)
      AppendGbkString(*id.birthplace, out);
    else
      out += "null"sv;
  }
  if (id.regionCode) {
    out += ",\"region_code\":"sv;
    AppendJsonString(*id.regionCode, out);
  }
  if (id.birthday) {
    out += ",\"birth_date\":"sv;
    AppendIsoDate(id.birthday->date, out);
    out += ",\"not_yet_born\":"sv;
    out += Bool(id.birthday->notYetBorn);
    out += ",\"record_age\":"sv;
    out += Bool(id.birthday->recordAge);
  }
  if (id.sex) out += *id.sex == HolderSex::Male ? ",\"sex\":\"male\"" : ",\"sex\":\"female\"";
  if (id.upgrade) {
    out += ",\"upgrade\":"sv;
    AppendJsonString(*id.upgrade, out);
  }
}

}  // namespace

void AppendJsonString(std::string_view bytes, std::string& out) { AppendQuoted(bytes, false, out); }

std::string JsonString(std::string_view bytes) {
  std::string out;
  AppendJsonString(bytes, out);
  return out;
}

namespace {

void AppendEmptyLine(std::string_view input, std::string& out) {
  out += "{\"input\":"sv;
  AppendJsonString(input, out);
  out += R"(,"jurisdiction":null,"valid":null,"faults":[],"report":""})"sv;
}

// The report written by `write` in UTF-8 straight into the object; escaped
// afterwards only where it echoes the input.
template <typename Write>
void AppendReport(Write write, std::string& out) {
  out += ",\"report\":\""sv;
  const std::size_t start = out.size();
  write(out);
  if (PlainPrefix(std::string_view(out).substr(start), true) < out.size() - start) {
    const std::string text = out.substr(start);
    out.resize(start - 1);
    AppendQuoted(text, true, out);
  } else {
    out += '"';
  }
}

template <typename Write>
void AppendObject(std::string_view input, const IdAnalysis& id, bool valid, Write writeReport,
                  std::string& out) {
  out += "{\"input\":"sv;
  AppendJsonString(input, out);
  out += ",\"jurisdiction\":"sv;
  if (id.jurisdiction) {
    out += '"';
    out += JurisdictionName(*id.jurisdiction);
    out += '"';
  } else {
    out += "null"sv;
  }
  out += ",\"valid\":"sv;
  out += Bool(valid);
  AppendFaults(id, out);
  AppendFacts(id, out);
  AppendReport(writeReport, out);
  out += '}';
}

}  // namespace

void AppendCheckJson(std::string_view input, const IdAnalysis* id, ReportText write,
                     std::string& out) {
  if (!id) return AppendEmptyLine(input, out);
  const auto writeUtf8 = [&](std::string& to) {
    ReportWriter writer(Encoding::Utf8, to);
    write(*id, writer);
  };
  AppendObject(input, *id, id->Valid(), writeUtf8, out);
}

std::string CheckJson(std::string_view input, const std::optional<IdReport>& report) {
  std::string json;
  if (!report) {
    AppendEmptyLine(input, json);
    return json;
  }
  const auto copyUtf8 = [&](std::string& to) {
    if (report->encoding == Encoding::Utf8)
      to += report->text;
    else
      AppendGbkToUtf8(report->text, to);
  };
  AppendObject(input, report->analysis, report->valid, copyUtf8, json);
  return json;
}

}  // namespace kesmal::cli

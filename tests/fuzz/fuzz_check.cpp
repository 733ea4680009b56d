// Any bytes, of any length, through both rule sets' dispatch, the CLI's line
// handling and the codec. Beyond "no crash and no sanitizer report", every input must keep
// the properties below; a broken one aborts with the report that broke it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kesmal/check.h"
#include "rules/current.h"
#include "rules/dispatch.h"
#include "rules/gbk_codec.h"

namespace {

struct Jurisdiction {
  std::string_view utf8Name;
  std::string gbkName;
};

Jurisdiction Named(std::string_view utf8Name) { return {utf8Name, kesmal::Utf8ToGbk(utf8Name)}; }

const Jurisdiction kJurisdictions[] = {Named("香港"), Named("台湾"), Named("韩国"), Named("中国")};

// The jurisdiction a valid report of that length must name, or none.
const Jurisdiction* JurisdictionOfLength(std::size_t length) {
  switch (length) {
    case 8:
    case 9: return &kJurisdictions[0];
    case 10: return &kJurisdictions[1];
    case 13: return &kJurisdictions[2];
    case 15:
    case 18: return &kJurisdictions[3];
    default: return nullptr;
  }
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    char32_t min = 0;
    char32_t code = lead;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, min = 0x10000, code = lead & 0x07;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, min = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, min = 0x80, code = lead & 0x1F;
    } else if (lead >= 0x80) {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto trail = static_cast<unsigned char>(text[i + k]);
      if ((trail & 0xC0) != 0x80) return false;
      code = code << 6 | (trail & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

[[noreturn]] void Broken(const char* property, std::string_view report) {
  std::fprintf(stderr, "property broken: %s\nreport (%zu bytes): %.*s\n", property, report.size(),
               static_cast<int>(report.size()), report.data());
  std::abort();
}

// A valid report names the jurisdiction of the number's length and no other.
void RequireNamesItsJurisdiction(std::size_t length, std::string_view report, bool utf8) {
  const Jurisdiction* own = JurisdictionOfLength(length);
  if (!own) Broken("a valid report for a length no rule takes", report);
  for (const Jurisdiction& jurisdiction : kJurisdictions) {
    const std::string_view name = utf8 ? jurisdiction.utf8Name : jurisdiction.gbkName;
    const bool named = report.find(name) != std::string_view::npos;
    if (named != (&jurisdiction == own))
      Broken(named ? "a valid report names another jurisdiction"
                   : "a valid report does not name its jurisdiction",
             report);
  }
}

void FuzzDispatch(std::string_view text) {
  const auto report = kesmal::CheckNumberText(text);
  if (text.empty()) {
    if (report) Broken("an empty text gets a report", report->text);
    return;
  }
  if (!report || report->text.empty()) Broken("a non-empty text gets an empty report", {});
  if (!HasLineBreak(text) && HasLineBreak(report->text))
    Broken("a line break in the report of a text without one", report->text);
  if (report->valid) RequireNamesItsJurisdiction(text.size(), report->text, false);
  // The command line's report is written in UTF-8 from its own twins of the
  // text. The edges hand over whole GBK characters, which no piece can split.
  const std::string gbk = kesmal::Utf8ToGbk(text);
  if (kesmal::CheckNumberText(gbk, kesmal::Encoding::Utf8)->text !=
      kesmal::GbkToUtf8(kesmal::CheckNumberText(gbk)->text))
    Broken("the UTF-8 report is not the GBK report converted", gbk);
}

// Today's rules name no jurisdiction by length alone (10 characters are Taiwan
// or, with brackets, Hong Kong), but every valid number carries its kind.
void FuzzCurrentRules(std::string_view text) {
  const auto report = kesmal::CheckNumberTextCurrent(text);
  if (text.empty() != !report) Broken("an empty text and no report go together", {});
  if (!report) return;
  if (report->text.empty()) Broken("a non-empty text gets an empty report", {});
  if (!HasLineBreak(text) && HasLineBreak(report->text))
    Broken("a line break in the report of a text without one", report->text);
  if (report->valid && !report->analysis.kind)
    Broken("a valid number without its kind", report->text);
}

void FuzzCliLine(std::string_view line) {
  std::string report;
  const bool valid = kesmal::CheckLine(line, report);
  if (line.empty()) {
    if (!report.empty() || !valid) Broken("an empty line is neither empty nor valid", report);
    return;
  }
  if (report.empty()) Broken("a non-empty line gets an empty report", report);
  if (!IsUtf8(report)) Broken("a report that is not UTF-8", report);
  if (HasLineBreak(report)) Broken("a line break in the report of a line", report);
  // A valid number is ASCII letters and digits, so its length in GBK is the
  // line's length.
  if (valid) RequireNamesItsJurisdiction(line.size(), report, true);
}

// The codec's shortcuts must give iconv's bytes for any input.
void FuzzCodec(std::string_view bytes) {
  if (kesmal::GbkToUtf8(bytes) != kesmal::GbkToUtf8ByIconv(bytes))
    Broken("GbkToUtf8 differs from iconv", bytes);
  if (kesmal::Utf8ToGbk(bytes) != kesmal::Utf8ToGbkByIconv(bytes))
    Broken("Utf8ToGbk differs from iconv", bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FuzzDispatch(text);
  FuzzCurrentRules(text);
  FuzzCliLine(text);
  FuzzCodec(text);
  return 0;
}

// The functions the JavaScript package calls (js/src/core.js). Text crosses
// as UTF-8 through one input buffer the package writes into and one output
// buffer it reads from; a function returns a length or a handle, and a
// refused request leaves its message in the output buffer and returns a
// negative value (or handle 0).
#include <emscripten.h>
#include <openssl/crypto.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/regions.h"
#include "data/taiwan_letters.h"
#include "kesmal/check.h"
#include "kesmal/fields.h"
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

// 0 none (classic, unnamed in records), 1 classic, 2 current.
std::optional<RuleSet> RulesOf(int rules) {
  if (rules == 0) return std::nullopt;
  return rules == 2 ? RuleSet::Current : RuleSet::Classic;
}

JurisdictionSet OnlyOf(int bits) {
  JurisdictionSet set = JurisdictionSet::None();
  for (int j = 0; j < 5; ++j)
    if (bits & (1 << j)) set.Add(static_cast<Jurisdiction>(j));
  return set;
}

int Refuse(const std::exception& error) {
  output = error.what();
  return -1;
}

// The checkers of the three rule choices, their buffers kept between calls.
Checker& JsonChecker(int rules) {
  static Checker checkers[] = {Checker(Output::Json, std::nullopt),
                               Checker(Output::Json, RuleSet::Classic),
                               Checker(Output::Json, RuleSet::Current)};
  return checkers[rules];
}

IdAnalysis validity;

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
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
  std::string_view text = Input(length);
  if (text.empty()) return 0;
  if (!IsAscii(text)) return Check(text, RulesOf(rules)).Valid();
  for (std::size_t i = 0; i < length; ++i)
    if (input[i] >= 'a' && input[i] <= 'z') input[i] = static_cast<char>(input[i] - 'a' + 'A');
  RuleFor(text, RulesOf(rules).value_or(RuleSet::Classic)).analyse(text, validity);
  return validity.Valid();
}

// The object of `check --json` into the output buffer; its length.
EMSCRIPTEN_KEEPALIVE int kesmal_check(std::size_t length, int rules) {
  output.clear();
  try {
    JsonChecker(rules).Append(Input(length), output);
  } catch (const std::exception& error) {
    return Refuse(error);
  }
  output.pop_back();  // the line end
  return static_cast<int>(output.size());
}

// A check's fields for the package to build its object from without a JSON
// parse: each field a type letter (s text, t true, f false, n null, L a list
// begins, I an item begins, i it ends, l the list ends), the letter of its
// key ('A' + Field), its text, then a record separator. The input is left
// out: the package holds it. Only for a printable ASCII input, which holds no
// separator and needs no conversion.
struct TokenSink {
  std::string& out;

  void Put(char type, Field field) {
    out += type;
    out += static_cast<char>('A' + static_cast<int>(field));
  }
  void Input(std::string_view) {}
  void Text(Field field, std::string_view text) {
    Put('s', field);
    out += text;
    out += '\x1E';
  }
  void Word(Field field, std::string_view text) { Text(field, text); }
  void Bool(Field field, bool value) {
    Put(value ? 't' : 'f', field);
    out += '\x1E';
  }
  void Null(Field field) {
    Put('n', field);
    out += '\x1E';
  }
  void BeginList(Field field) {
    Put('L', field);
    out += '\x1E';
  }
  void BeginItem() { out += "I\x1E"; }
  void EndItem() { out += "i\x1E"; }
  void EndList() { out += "l\x1E"; }
};

// The fields of the check of the printable ASCII input, as TokenSink writes
// them, into the output buffer; their length.
EMSCRIPTEN_KEEPALIVE int kesmal_check_fields(std::size_t length, int rules) {
  static IdAnalysis id;
  static std::string report, scratch;
  output.clear();
  try {
    std::string_view number = Input(length);
    for (std::size_t i = 0; i < length; ++i)
      if (input[i] >= 'a' && input[i] <= 'z') input[i] = static_cast<char>(input[i] - 'a' + 'A');
    const std::optional<RuleSet> named = RulesOf(rules);
    const RuleSet ruleSet = named.value_or(RuleSet::Classic);
    TokenSink sink{output};
    if (number.empty()) {
      VisitCheckFields(number, nullptr, {}, sink, named, scratch);
    } else {
      const CheckRule& rule = RuleFor(number, ruleSet);
      rule.analyse(number, id);
      report.clear();
      ReportWriter writer(Encoding::Utf8, report);
      rule.write(id, writer);
      NameDefaultKind(id, ruleSet);
      VisitCheckFields(number, &id, report, sink, named, scratch);
    }
  } catch (const std::exception& error) {
    return Refuse(error);
  }
  return static_cast<int>(output.size());
}

// The request field of a name ("sex", "birth"); none for another name.
std::optional<RequestField> FieldNamed(std::string_view name) {
  for (const RequestField field :
       {RequestField::Count, RequestField::Seed, RequestField::Sex, RequestField::Region,
        RequestField::Length, RequestField::Birth, RequestField::Age, RequestField::Unique,
        RequestField::Invalid})
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

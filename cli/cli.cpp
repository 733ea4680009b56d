#include "cli/cli.h"

#include <charconv>
#include <chrono>
#include <istream>
#include <ostream>

#include "cli/json_lines.h"
#include "cli/make_options.h"
#include "rules/current.h"
#include "rules/dispatch.h"
#include "rules/gbk_codec.h"
#include "rules/random_source.h"

namespace kesmal::cli {
namespace {

struct UsageError {
  std::string message;
};

void PrintHelp(std::ostream& out) {
  out << "kesmal-cli: check and make identity-card numbers of Taiwan, Hong Kong,\n"
         "mainland China and Korea.\n\n"
         "Usage:\n"
         "  kesmal-cli check [--json] [NUMBER...]\n"
         "      Check each NUMBER, or each line of standard input when none is given.\n"
         "      One report line per input, in UTF-8; an empty input line gives an empty\n"
         "      line; a CR or LF inside an input is written as a space, so output lines\n"
         "      stay aligned with inputs. Letters a-z count as capitals. The length\n"
         "      decides the rule: 8 or 9 Hong Kong, 10 Taiwan, 13 Korea, 15 old\n"
         "      mainland, 18 mainland.\n"
         "      --json prints one JSON object a line instead (JSON Lines): input,\n"
         "      jurisdiction (tw, hk, cn, cn15, kr, or null for an unsupported\n"
         "      length), valid, faults (each with code, message, and expected for a\n"
         "      wrong check character), and for a valid number the fields it carries:\n"
         "      birthplace (null for an unknown mainland region), region_code,\n"
         "      birth_date (YYYY-MM-DD) with not_yet_born and record_age, sex (male\n"
         "      or female), upgrade (old mainland form); last, report, the report\n"
         "      text. An empty line gives jurisdiction null, valid null, no faults\n"
         "      and an empty report. Bytes that are not UTF-8 become U+FFFD.\n"
         "  kesmal-cli make JURISDICTION [--count N] [--seed S] [--json] [OPTIONS]\n"
         "      Print N new valid numbers (default 1), one a line. --seed S (0 to\n"
         "      4294967295) makes the run reproducible; without it the clock seeds.\n"
         "      --json prints each number as check --json does, its input being the\n"
         "      number made. Each option fixes only its own field; the rest is drawn\n"
         "      at random.\n";
  for (const auto& entry : Jurisdictions()) {
    out << "\n  make " << entry.name << "   (" << entry.title << ")\n";
    for (const auto& option : entry.options)
      out << "      " << option.name << ' ' << option.value << "   " << option.help << '\n';
  }
  out << "\n  kesmal-cli --help\n      Show this text.\n\n"
         "Exit status: 0 when every number checked is valid, 1 when any is not\n"
         "(an unsupported length counts as not valid), 2 for a usage error.\n";
}

bool IsOption(std::string_view arg) { return arg.size() > 2 && arg.substr(0, 2) == "--"; }

template <typename Number>
Number ParseNumber(std::string_view option, std::string_view value, std::string_view expected) {
  Number number{};
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (value.empty() || error != std::errc{} || end != value.data() + value.size())
    throw UsageError{BadValue(option, value, expected)};
  return number;
}

// An input as the check command treats it: a-z raised to capitals, the UTF-8
// converted to GBK; none for an empty line.
std::optional<IdReport> CheckInput(std::string_view utf8Line, RuleSet rules) {
  thread_local std::string text;  // keeps its storage from line to line
  text.assign(utf8Line);
  bool ascii = true;
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    ascii &= static_cast<unsigned char>(c) < 0x80;
  }
  // GBK keeps ASCII as it is.
  return ascii ? CheckNumberText(text, rules) : CheckNumberText(Utf8ToGbk(text), rules);
}

// --rules NAME or --rules=NAME, at args[i]; a value taken from the next argument moves i on.
RuleSet ParseRules(const std::vector<std::string>& args, std::size_t& i) {
  std::string value;
  if (args[i] == "--rules" && i + 1 < args.size())
    value = args[++i];
  else if (args[i].starts_with("--rules="))
    value = args[i].substr(8);
  else if (args[i] != "--rules")
    throw UsageError{"unknown option '" + args[i] + "' for check"};
  if (value == "classic") return RuleSet::Classic;
  if (value == "current") return RuleSet::Current;
  throw UsageError{BadValue("--rules", value, "classic or current")};
}

constexpr std::size_t kOutputBlock = 64 * 1024;

constexpr bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

bool HasLineBreak(std::string_view text) {
  for (char c : text)
    if (IsLineBreak(c)) return true;
  return false;
}

// Only the rejection message echoes the input, so only an input holding a
// line break can give a report holding one; it becomes a space, and every
// input keeps its one output line.
bool AppendCheckLine(std::string_view utf8Line, std::string& out, RuleSet rules) {
  const auto report = CheckInput(utf8Line, rules);
  if (!report) return true;
  const std::size_t start = out.size();
  AppendGbkToUtf8(report->text, out);
  if (HasLineBreak(utf8Line))
    for (std::size_t i = start; i < out.size(); ++i)
      if (IsLineBreak(out[i])) out[i] = ' ';
  return report->valid;
}

int RunCheck(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  std::vector<std::string_view> numbers;
  bool optionsEnded = false;
  bool json = false;
  std::optional<RuleSet> rules;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (!optionsEnded && args[i] == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && args[i] == "--json") {
      json = true;
    } else if (!optionsEnded && args[i].starts_with("--rules")) {
      rules = ParseRules(args, i);
    } else if (!optionsEnded && IsOption(args[i])) {
      throw UsageError{"unknown option '" + args[i] + "' for check"};
    } else {
      numbers.push_back(args[i]);
    }
  }

  bool allValid = true;
  // Reports gather here and go out in large blocks.
  std::string pending;
  const auto writePending = [&]() -> std::ostream& {
    out.write(pending.data(), static_cast<std::streamsize>(pending.size()));
    pending.clear();
    return out;
  };
  const auto checkOne = [&](std::string_view line) {
    if (json) {
      const auto checked = CheckInput(line, rules.value_or(RuleSet::Classic));
      allValid &= !checked || checked->valid;
      pending += CheckJson(line, checked, rules);
    } else {
      allValid &= AppendCheckLine(line, pending, rules.value_or(RuleSet::Classic));
    }
    pending += '\n';
    if (pending.size() >= kOutputBlock) writePending();
  };
  if (!numbers.empty()) {
    for (auto number : numbers) checkOne(number);
  } else {
    std::string line;
    // Flushes only before a read that may wait: a batch is written in large
    // blocks, and a script that feeds one line at a time gets each answer.
    while ((in.rdbuf()->in_avail() > 0 || writePending().flush()) && std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      checkOne(line);
    }
  }
  writePending();
  out.flush();
  return allValid ? kExitValid : kExitInvalid;
}

std::uint32_t ClockSeed() {
  // Finer than whole seconds, so two scripted runs within a second differ.
  const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  return static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

int RunMake(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() < 2) {
    std::string names;
    for (const auto& known : Jurisdictions())
      names += (names.empty() ? "" : ", ") + std::string(known.name);
    throw UsageError{"make needs a jurisdiction (" + names + ")"};
  }
  const JurisdictionEntry* entry = FindJurisdiction(args[1]);
  if (!entry) throw UsageError{"unknown jurisdiction '" + args[1] + "'"};

  std::uint64_t count = 1;
  std::uint32_t seed = ClockSeed();
  bool json = false;
  OptionValues values;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
      continue;
    }
    std::string name = args[i];
    std::string value;
    const auto equals = name.find('=');
    if (IsOption(name) && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else if (IsOption(name)) {
      throw UsageError{"option '" + name + "' needs a value"};
    }
    if (name == "--count") {
      count = ParseNumber<std::uint64_t>(name, value, "a whole number");
    } else if (name == "--seed") {
      seed = ParseNumber<std::uint32_t>(name, value, "0 to 4294967295");
    } else {
      bool known = false;
      for (const auto& option : entry->options) known |= option.name == name;
      if (!known) throw UsageError{"unknown option '" + name + "' for make " + args[1]};
      if (!values.emplace(name, value).second)
        throw UsageError{"option '" + name + "' given twice"};
    }
  }

  const auto built = BuildSettings(*entry, values);
  if (const auto* error = std::get_if<std::string>(&built)) throw UsageError{*error};
  const auto& settings = std::get<MakeSettings>(built);

  SeedRandom(seed);
  for (std::uint64_t n = 0; n < count; ++n) {
    const std::string number = *MakeNumberText(entry->index, settings);
    if (json)
      out << CheckJson(number, CheckMadeNumber(entry->index, number)) << '\n';
    else
      out << number << '\n';
  }
  out.flush();
  return kExitValid;
}

}  // namespace

bool CheckLine(std::string_view utf8Line, std::string& utf8Report) {
  utf8Report.clear();
  return AppendCheckLine(utf8Line, utf8Report, RuleSet::Classic);
}

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  try {
    if (args.empty()) throw UsageError{"missing command (check or make)"};
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
      PrintHelp(out);
      return kExitValid;
    }
    for (const auto& arg : args)
      if (arg == "--help") {
        PrintHelp(out);
        return kExitValid;
      }
    if (command == "check") return RunCheck(args, in, out);
    if (command == "make") return RunMake(args, out);
    throw UsageError{"unknown command '" + command + "'"};
  } catch (const UsageError& error) {
    err << "kesmal-cli: " << error.message << " (see kesmal-cli --help)\n";
    return kExitUsage;
  }
}

}  // namespace kesmal::cli

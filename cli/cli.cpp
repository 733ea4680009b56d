#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <chrono>
#include <istream>
#include <ostream>

#include "cli/check_command.h"
#include "cli/json_lines.h"
#include "cli/make_options.h"
#include "cli/options.h"
#include "rules/current.h"
#include "rules/dispatch.h"
#include "rules/gbk_codec.h"
#include "rules/invalid_numbers.h"
#include "rules/number_space.h"
#include "rules/random_source.h"

namespace kesmal::cli {
namespace {

constexpr const char* kCsvHelp =
    "print CSV instead (RFC 4180, lines ending in CRLF, UTF-8): a header row, then one row "
    "per input: input, jurisdiction, valid, faults (codes joined by \";\"), birthplace, "
    "region_code, birth_date, sex, upgrade, report (with --rules also rules, kind, "
    "check_code_verified); fields that do not apply are empty";

std::optional<RuleSet> ParseRules(std::string_view text) {
  if (text == "classic") return RuleSet::Classic;
  if (text == "current") return RuleSet::Current;
  return std::nullopt;
}

constexpr ValueType<RuleSet> kRules{"classic|current", "classic or current", ParseRules};

constexpr unsigned kMostJobs = 64;

std::optional<unsigned> ParseJobs(std::string_view text) {
  const auto jobs = ParseWhole<unsigned>(text);
  if (!jobs || *jobs < 1 || *jobs > kMostJobs) return std::nullopt;
  return jobs;
}

constexpr ValueType<unsigned> kJobs{"N", "a whole number from 1 to 64", ParseJobs};

void DeclareCheck(CLI::App& program, CheckRequest& request) {
  CLI::App* check = program.add_subcommand(
      "check",
      "Check each NUMBER, or each line of standard input when none is given. One report line "
      "per input, in UTF-8; an empty input line gives an empty line; a CR or LF inside an "
      "input is written as a space, so output lines stay aligned with inputs. Letters a-z "
      "count as capitals. The length decides the rule: 8 or 9 Hong Kong, 10 Taiwan, 13 Korea, "
      "15 old mainland, 18 mainland.");
  check->allow_extras();
  check->add_option("NUMBER", request.numbers);
  check->add_flag(
      "--json", request.json,
      "print one JSON object a line instead (JSON Lines): input, jurisdiction (tw, hk, cn, "
      "cn15, kr, or null for an unsupported length), valid, faults (each with code, message, "
      "and expected for a wrong check character), and for a valid number the fields it "
      "carries: birthplace (null for an unknown mainland region), region_code, birth_date "
      "(YYYY-MM-DD) with not_yet_born and record_age, sex (male or female), upgrade (old "
      "mainland form); last, report, the report text. An empty line gives jurisdiction null, "
      "valid null, no faults and an empty report. Bytes that are not UTF-8 become U+FFFD.");
  check->add_flag("--csv", request.csv, kCsvHelp)->excludes("--json");
  Declare(*check, "--rules", kRules, request.rules,
          "the rule set: classic (the default), the window's rules; or current, today's, which "
          "also take Taiwan resident certificates, Hong Kong numbers printed with the check "
          "character in brackets, Korea's seventh digit of every century and of foreign "
          "residents, and mainland residence permits. Given, each JSON object names the rules; "
          "under current a valid number adds its kind, and a Korea number check_code_verified.");
  Declare(
      *check, "--jobs", kJobs, [&request](unsigned jobs) { request.jobs = jobs; },
      "check standard input in blocks of lines on N threads at once (1 to 64; default 1); "
      "the output is the same, in input order, and a line that has to wait is read only "
      "after every answer before it is written");
}

constexpr std::size_t kHelpWidth = 79;

// The words of the text from the given column on, each line indented.
void Wrap(std::ostream& out, std::string_view text, std::size_t indent, std::size_t column) {
  while (!text.empty()) {
    const std::size_t room = kHelpWidth > column ? kHelpWidth - column : 1;
    std::size_t cut = text.size() <= room ? text.size() : text.rfind(' ', room);
    if (cut == std::string_view::npos || cut == 0) cut = std::min(text.find(' '), text.size());
    out << text.substr(0, cut) << '\n';
    text.remove_prefix(std::min(cut + 1, text.size()));
    if (!text.empty()) out << std::string(indent, ' ');
    column = indent;
  }
}

void PrintOptions(std::ostream& out, const CLI::App& command, bool runOptions) {
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_positional() || (option->get_group() == kRunOptions) != runOptions) continue;
    std::string head = "      " + option->get_name();
    if (!option->get_type_name().empty()) head += ' ' + option->get_type_name();
    const std::string& help = option->get_description();
    if (head.size() + 3 + help.size() <= kHelpWidth) {
      out << head << "   " << help << '\n';
    } else {
      out << head << "\n          ";
      Wrap(out, help, 10, 10);
    }
  }
}

void PrintHelp(const CLI::App& program, std::ostream& out) {
  out << "kesmal-cli: check and make identity-card numbers of Taiwan, Hong Kong,\n"
         "mainland China and Korea.\n\nUsage:\n  kesmal-cli check [OPTIONS] [NUMBER...]\n      ";
  const CLI::App* check = program.get_subcommand("check");
  Wrap(out, check->get_description(), 6, 6);
  PrintOptions(out, *check, false);
  out << "  kesmal-cli make JURISDICTION [OPTIONS]\n      ";
  const CLI::App* make = program.get_subcommand("make");
  Wrap(out, make->get_description(), 6, 6);
  const auto jurisdictions = make->get_subcommands({});
  PrintOptions(out, *jurisdictions.front(), true);
  for (const CLI::App* jurisdiction : jurisdictions) {
    out << "\n  make " << jurisdiction->get_name() << "   (" << jurisdiction->get_description()
        << ")\n";
    PrintOptions(out, *jurisdiction, false);
  }
  out << "\n  kesmal-cli --help\n      Show this text.\n  kesmal-cli --version\n      Print the "
         "program's name and version.\n\n"
         "Exit status: 0 when every number checked is valid, 1 when any is not\n"
         "(an unsupported length counts as not valid), 2 for a usage error.\n";
}

bool WantsHelp(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "help") return true;
  for (const auto& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

std::uint32_t ClockSeed() {
  // Finer than whole seconds, so two scripted runs within a second differ.
  const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  return static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

void WriteMade(std::ostream& out, const MakeRequest& request, const std::string& number) {
  if (request.json)
    out << CheckJson(number, CheckNumberText(number, Encoding::Utf8)) << '\n';
  else if (request.csv)
    out << CheckCsv(number, CheckNumberText(number, Encoding::Utf8)) << "\r\n";
  else
    out << number << '\n';
}

// Unique runs walk a keyed permutation of the space; the others draw from it.
void MakeFromSpace(std::ostream& out, const MakeRequest& request, const FixedFields& fixed,
                   const NumberSpace& space, std::uint64_t count) {
  const std::uint64_t key = RandomIndex(~0ULL);
  const KeyedPermutation permutation(space.Size(), key);
  const auto faults = FaultsOf(fixed.form);
  for (std::uint64_t n = 0; n < count; ++n) {
    std::string number = space.At(request.unique ? permutation(n) : RandomIndex(space.Size()));
    if (request.invalid) {
      const auto& fault = request.invalid->fault;
      number = SpoilNumber(
          number, fault ? *fault : faults[RandomBelow(static_cast<std::int32_t>(faults.size()))]);
    }
    WriteMade(out, request, number);
  }
}

int RunMake(const MakeRequest& request, std::ostream& out) {
  const std::uint64_t count = request.count.value_or(1);
  const auto fixed = SpaceOf(request);
  const NumberSpace space(fixed.value_or(FixedFields{}));
  if (request.unique && count > space.Size())
    throw UsageError{"only " + std::to_string(space.Size()) +
                     " distinct numbers exist for these options, fewer than --count " +
                     std::to_string(count)};
  SeedRandom(request.seed ? *request.seed : ClockSeed());
  if (request.csv) out << CsvHeader() << "\r\n";
  if (fixed) {
    MakeFromSpace(out, request, *fixed, space, count);
  } else {
    for (std::uint64_t n = 0; n < count; ++n)
      WriteMade(out, request, *MakeNumberText(request.jurisdiction, request.settings));
  }
  out.flush();
  return kExitValid;
}

// "make tw" for the jurisdiction's command.
std::string CommandPath(const CLI::App& command) {
  const CLI::App* parent = command.get_parent();
  if (!parent || !parent->get_parent()) return command.get_name();
  return CommandPath(*parent) + ' ' + command.get_name();
}

// The first argument the command did not take, as a usage error.
void RefuseExtras(const CLI::App& program, const CLI::App& command) {
  auto left = command.remaining();
  std::erase(left, "--");  // kept among the extras, though it only ends the options
  if (left.empty()) return;
  const std::string& arg = left.front();
  const std::string path = &command == &program ? "" : " for " + CommandPath(command);
  if (arg.size() > 1 && arg[0] == '-')
    throw UsageError{"unknown option '" + arg.substr(0, arg.find('=')) + "'" + path};
  if (&command == &program) throw UsageError{"unknown command '" + arg + "'"};
  if (command.get_name() == "make") throw UsageError{"unknown jurisdiction '" + arg + "'"};
  throw UsageError{"unexpected argument '" + arg + "'" + path};
}

void RefuseRepeats(const CLI::App& command) {
  for (const CLI::Option* option : command.get_options())
    if (option->count() > 1 && option->get_expected_min() > 0 && !option->get_positional())
      throw UsageError{"option '" + option->get_name() + "' given twice"};
}

// The command to run, the last of the chain, once nothing is left over.
const CLI::App& ChosenCommand(const CLI::App& program) {
  const CLI::App* command = &program;
  for (;;) {
    RefuseExtras(program, *command);
    RefuseRepeats(*command);
    const auto chosen = command->get_subcommands();
    if (chosen.empty()) break;
    if (chosen.size() > 1)
      throw UsageError{"unexpected argument '" + chosen[1]->get_name() + "' for " +
                       CommandPath(*chosen[0])};
    command = chosen.front();
  }
  if (command == &program) throw UsageError{"missing command (check or make)"};
  if (command->get_name() == "make") {
    std::string names;
    for (const auto& known : Jurisdictions())
      names += (names.empty() ? "" : ", ") + std::string(known.name);
    throw UsageError{"make needs a jurisdiction (" + names + ")"};
  }
  return *command;
}

// CLI11 names the option before a colon.
std::string MissingValue(const CLI::ArgumentMismatch& error) {
  const std::string_view what = error.what();
  return "option '" + std::string(what.substr(0, what.find(':'))) + "' needs a value";
}

}  // namespace

namespace {

// The command line as declared, made once per thread and parsed again for
// each run: declaring it is most of the cost of a short run, such as each
// call of the Python module's make.
struct Program {
  CheckRequest check;
  MakeRequest make;
  bool version = false;
  CLI::App app{"check and make identity-card numbers", "kesmal-cli"};

  Program() {
    app.set_help_flag();
    app.allow_extras();
    app.add_flag("--version", version, "print the program's name and version");
    DeclareCheck(app, check);
    DeclareMake(app, make);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Nothing parsed or requested by the last run is left.
  CLI::App& Fresh() {
    app.clear();
    check = {};
    make = {};
    version = false;
    return app;
  }
};

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  thread_local Program declared;
  CLI::App& program = declared.Fresh();
  const CheckRequest& check = declared.check;
  const MakeRequest& make = declared.make;
  const bool& version = declared.version;
  try {
    if (WantsHelp(args)) {
      PrintHelp(program, out);
      return kExitValid;
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    program.parse(reversed);
    if (version) {
      out << "kesmal-cli " KESMAL_VERSION "\n";
      return kExitValid;
    }
    if (ChosenCommand(program).get_name() == "check") return RunCheck(check, in, out);
    return RunMake(make, out);
  } catch (const UsageError& error) {
    err << "kesmal-cli: " << error.message << " (see kesmal-cli --help)\n";
  } catch (const CLI::ArgumentMismatch& error) {
    err << "kesmal-cli: " << MissingValue(error) << " (see kesmal-cli --help)\n";
  } catch (const CLI::ParseError& error) {
    err << "kesmal-cli: " << error.what() << " (see kesmal-cli --help)\n";
  }
  return kExitUsage;
}

}  // namespace kesmal::cli

#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ios>
#include <istream>
#include <ostream>
#include <string>
#include <system_error>

#include "cli/make_options.h"
#include "cli/options.h"
#include "kesmal/check.h"
#include "kesmal/make.h"
#include "kesmal/mask.h"
#include "kesmal/records.h"
#include "kesmal/scan_inputs.h"
#include "rules/current.h"

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

struct CheckCommand {
  std::vector<std::string> numbers;
  bool json = false;
  bool csv = false;
  CheckOptions options;
};

void DeclareCheck(CLI::App& program, CheckCommand& request) {
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
  Declare(*check, "--rules", kRules, request.options.rules,
          "the rule set: classic (the default), the window's rules; or current, today's, which "
          "also take Taiwan resident certificates, Hong Kong numbers printed with the check "
          "character in brackets, Korea's seventh digit of every century and of foreign "
          "residents, and mainland residence permits. Given, each JSON object names the rules; "
          "under current a valid number adds its kind, and a Korea number check_code_verified.");
  Declare(
      *check, "--jobs", kJobs, [&request](unsigned jobs) { request.options.jobs = jobs; },
      "check standard input in blocks of lines on N threads at once (1 to 64; default 1); "
      "the output is the same, in input order, and a line that has to wait is read only "
      "after every answer before it is written");
}

std::optional<JurisdictionSet> ParseOnly(std::string_view text) {
  return ParseJurisdictionList(text);
}

constexpr ValueType<JurisdictionSet> kOnly{"LIST", "jurisdictions among tw, hk, cn, cn15, kr",
                                           ParseOnly};

struct ScanCommand {
  ScanRequest request;
  bool json = false;
  bool csv = false;
  bool count = false;
  bool filesWithMatches = false;
};

void DeclareScan(CLI::App& program, ScanCommand& command) {
  ScanRequest& request = command.request;
  CLI::App* scan = program.add_subcommand(
      "scan",
      "Find the identity numbers in each FILE (or standard input, also as -), wherever they "
      "stand in a line and in every form people write them: as check takes them, letters in "
      "either case; Korea with a hyphen after the sixth digit; Hong Kong with its check "
      "character in brackets; in full-width letters and digits. The characters before and "
      "after a number must not be letters or digits. Each finding is one line: "
      "FILE:LINE:COLUMN:TEXT, as grep -Hno --column writes it, without FILE: for standard "
      "input alone; COLUMN counts bytes from 1. Reported are the numbers the check judges "
      "valid and that nothing contradicts as a real card (plausible).");
  scan->allow_extras();
  scan->add_option("FILE", request.paths);
  Declare(*scan, "--rules", kRules, request.namedRules,
          "the rule set the numbers are judged by: classic (the default) or current, as for "
          "check; given, each JSON object and CSV row names it");
  scan->add_flag("--implausible", request.options.implausible,
                 "also report valid numbers that no real card carries (an 18-character mainland "
                 "number of a province not in the tables or born after today or before any "
                 "record age, an old one of a region not in the tables, a Korean one born after "
                 "today): plausible is then false");
  scan->add_flag("--near-misses", request.options.nearMisses,
                 "also report what fails its check by its check character alone, with its "
                 "faults and valid false: a mistyped number is personal data too");
  Declare(
      *scan, "--only", kOnly, [&request](JurisdictionSet only) { request.options.only = only; },
      "look for these jurisdictions alone, a list such as tw,hk (of tw, hk, cn, cn15, kr)");
  CLI::Option* json = scan->add_flag(
      "--json", command.json,
      "print one JSON object per finding: path (null for standard input), line, column, "
      "offset (bytes from the start of the input), length (bytes), text (as written), "
      "plausible, then every field of check --json for the number, whose input is its "
      "canonical form (ASCII, capitals, no hyphen, space or bracket)");
  CLI::Option* csv =
      scan->add_flag("--csv", command.csv,
                     "print CSV instead: a header row, then one row per finding with the same "
                     "columns, then those of check --csv")
          ->excludes(json);
  CLI::Option* count =
      scan->add_flag("-c,--count", command.count, "print the number of findings per input instead")
          ->excludes(json)
          ->excludes(csv);
  scan->add_flag("-l,--files-with-matches", command.filesWithMatches,
                 "print the names of the inputs with at least one finding instead")
      ->excludes(json)
      ->excludes(csv)
      ->excludes(count);
  Declare(
      *scan, "--jobs", kJobs, [&request](unsigned jobs) { request.jobs = jobs; },
      "scan each input in blocks of lines on N threads at once (1 to 64; default 1); the "
      "output is the same, in input order");
}

std::optional<KeepSet> ParseKeep(std::string_view text) {
  KeepSet keep;
  for (;;) {
    const std::size_t comma = text.find(',');
    const auto field = KeptFieldNamed(text.substr(0, comma));
    if (!field) return std::nullopt;
    keep = keep.With(*field);
    if (comma == std::string_view::npos) return keep;
    text.remove_prefix(comma + 1);
  }
}

std::optional<NearMisses> ParseNearMisses(std::string_view text) {
  if (text == "mask") return NearMisses::Mask;
  if (text == "keep") return NearMisses::Keep;
  if (text == "redact") return NearMisses::Redact;
  return std::nullopt;
}

constexpr ValueType<KeepSet> kKeep{
    "FIELDS", "fields among sex, birth-date, birth-year, region, province", ParseKeep};
constexpr ValueType<NearMisses> kNearMisses{"mask|keep|redact", "mask, keep or redact",
                                            ParseNearMisses};

struct MaskCommand {
  MaskRequest request;
  std::optional<std::string> keyFile;
  std::optional<std::string> newKey;
  std::optional<RuleSet> rules;
  bool redact = false;
  bool reverse = false;
};

void DeclareMask(CLI::App& program, MaskCommand& command) {
  MaskOptions& options = command.request.options;
  CLI::App* mask = program.add_subcommand(
      "mask",
      "Write each FILE (or standard input, also as -) with every number that scan finds "
      "replaced, every other byte unchanged: by its pseudonym under a key, another valid "
      "number of the same jurisdiction and kind, written in the same form, the same for the "
      "same number in every file and run; or, with --redact, by asterisks. Standard error "
      "ends with a summary.");
  mask->allow_extras();
  mask->add_option("FILE", command.request.paths);
  mask->add_option("--key-file", command.keyFile,
                   "the key: a file of 32 bytes, or of 64 hexadecimal digits, that only its "
                   "owner may read")
      ->type_name("FILE");
  CLI::Option* newKey =
      mask->add_option("--new-key", command.newKey,
                       "write a new key from the system's random source into FILE, which must "
                       "not exist, readable by its owner alone; nothing is masked")
          ->type_name("FILE");
  Declare(
      *mask, "--keep", kKeep, [&options](KeepSet keep) { options.keep = keep; },
      "keep these fields of each number, a list of sex, birth-date, birth-year, region "
      "(the Taiwan letter, the mainland region code) and province (the mainland code's "
      "first two digits); a field a jurisdiction lacks does not apply to it");
  CLI::Option* redact = mask->add_flag("--redact", command.redact,
                                       "replace each letter and digit with * instead, but those "
                                       "of kept fields; hyphens and brackets stay; no key")
                            ->excludes("--key-file");
  mask->add_flag("--reverse", command.reverse,
                 "give back the numbers that the same key and options made these pseudonyms of")
      ->excludes(redact);
  Declare(
      *mask, "--near-misses", kNearMisses,
      [&options](NearMisses mode) { options.nearMisses = mode; },
      "what fails its check by its check character alone: mask (the default) masks it as "
      "such a number, its check character as far wrong, so that --reverse gives it back "
      "(under --redact, redacts it); keep leaves it, and the summary counts it; redact "
      "redacts it");
  mask->add_flag("--in-place", command.request.inPlace,
                 "rewrite each FILE (a link's target) through a temporary file beside it, "
                 "renamed over it only once complete, with its owner, group, mode and extended "
                 "attributes; anything but a regular file of one name is refused");
  Declare(*mask, "--rules", kRules, command.rules,
          "the rule set the numbers are judged by: classic (the default) or current");
  Declare(
      *mask, "--only", kOnly, [&options](JurisdictionSet only) { options.only = only; },
      "look for these jurisdictions alone, a list such as tw,hk");
  mask->add_flag("--implausible", options.implausible,
                 "mask also valid numbers that no real card carries, as scan --implausible "
                 "reports them");
  newKey->excludes("--key-file")->excludes(redact);
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

void PrintMaskHelp(const CLI::App& program, std::ostream& out) {
  out << "  kesmal-cli mask [OPTIONS] [FILE...]\n      ";
  const CLI::App* mask = program.get_subcommand("mask");
  Wrap(out, mask->get_description(), 6, 6);
  PrintOptions(out, *mask, false);
}

void PrintScanHelp(const CLI::App& program, std::ostream& out) {
  out << "  kesmal-cli scan [OPTIONS] [FILE...]\n      ";
  const CLI::App* scan = program.get_subcommand("scan");
  Wrap(out, scan->get_description(), 6, 6);
  PrintOptions(out, *scan, false);
}

void PrintCheckHelp(const CLI::App& program, std::ostream& out) {
  out << "  kesmal-cli check [OPTIONS] [NUMBER...]\n      ";
  const CLI::App* check = program.get_subcommand("check");
  Wrap(out, check->get_description(), 6, 6);
  PrintOptions(out, *check, false);
}

// Every jurisdiction, or the one named.
void PrintMakeHelp(const CLI::App& program, std::ostream& out, const CLI::App* only) {
  out << "  kesmal-cli make " << (only ? only->get_name() : "JURISDICTION") << " [OPTIONS]\n      ";
  const CLI::App* make = program.get_subcommand("make");
  Wrap(out, make->get_description(), 6, 6);
  const auto jurisdictions = make->get_subcommands({});
  PrintOptions(out, *jurisdictions.front(), true);
  for (const CLI::App* jurisdiction : jurisdictions) {
    if (only && jurisdiction != only) continue;
    out << "\n  make " << jurisdiction->get_name() << "   (" << jurisdiction->get_description()
        << ")\n";
    PrintOptions(out, *jurisdiction, false);
  }
}

constexpr std::string_view kExitStatus =
    "Exit status: 0 when every number checked is valid, 1 when any is not\n"
    "(an unsupported length counts as not valid), 2 for a usage error; of\n"
    "scan, as grep's: 0 when it found a number, 1 when none, 2 after an error;\n"
    "of mask, 0, or 2 after an error.\n";

// The whole help, or a command's own when the arguments name one.
void PrintHelp(const CLI::App& program, const std::vector<std::string>& topic, std::ostream& out) {
  out << "kesmal-cli: check and make identity-card numbers of Taiwan, Hong Kong,\n"
         "mainland China and Korea.\n\nUsage:\n";
  if (!topic.empty() && topic[0] == "check") {
    PrintCheckHelp(program, out);
  } else if (!topic.empty() && topic[0] == "make") {
    const CLI::App* make = program.get_subcommand("make");
    PrintMakeHelp(program, out, topic.size() > 1 ? make->get_subcommand(topic[1]) : nullptr);
  } else if (!topic.empty() && topic[0] == "scan") {
    PrintScanHelp(program, out);
  } else if (!topic.empty() && topic[0] == "mask") {
    PrintMaskHelp(program, out);
  } else {
    PrintCheckHelp(program, out);
    PrintMakeHelp(program, out, nullptr);
    out << '\n';
    PrintScanHelp(program, out);
    PrintMaskHelp(program, out);
    out << "\n  kesmal-cli --help\n      Show this text; kesmal-cli COMMAND --help shows that "
           "command's alone.\n  kesmal-cli --version\n      Print the program's name and "
           "version.\n";
  }
  out << '\n' << kExitStatus;
}

// The commands the words before --help name: "make", "tw".
std::vector<std::string> HelpTopic(const CLI::App& program, const std::vector<std::string>& args) {
  std::vector<std::string> topic;
  const CLI::App* command = &program;
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h" || arg == "--") break;
    if (arg.starts_with('-') || arg == "help") continue;
    const auto chosen =
        command->get_subcommands([&](const CLI::App* sub) { return sub->get_name() == arg; });
    if (chosen.empty()) break;
    command = chosen.front();
    topic.push_back(arg);
  }
  return topic;
}

bool WantsHelp(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "help") return true;
  for (const auto& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int RunCheck(CheckCommand check, std::istream& in, std::ostream& out) {
  check.options.output = check.json ? Output::Json : check.csv ? Output::Csv : Output::Plain;
  WriteHeader(check.options, out);
  const bool allValid = check.numbers.empty() ? CheckLines(in, check.options, out)
                                              : CheckTexts(check.numbers, check.options, out);
  return allValid ? kExitValid : kExitInvalid;
}

// "kesmal-cli: path: why" of an input not searched or not rewritten.
void PrintFailure(const InputFailure& failure, std::ostream& err) {
  err << "kesmal-cli: " << (failure.path == "-" ? kStandardInputName : failure.path) << ": ";
  const auto because = [&](std::string_view what) {
    err << what << ": " << std::strerror(failure.error.value()) << '\n';
  };
  switch (failure.fault) {
    case InputFault::Unreadable: err << std::strerror(failure.error.value()) << '\n'; return;
    case InputFault::NotRegularFile: err << "not a regular file; left as it is\n"; return;
    case InputFault::OtherHardLinks:
      err << "has " << failure.otherLinks
          << " other hard links, which would keep the numbers; left as it is\n";
      return;
    case InputFault::Busy: err << "another run is rewriting it\n"; return;
    case InputFault::CannotWriteBeside: return because("cannot write beside it");
    case InputFault::CannotKeepOwner: return because("cannot keep its owner and group");
    case InputFault::CannotKeepMode: return because("cannot keep its mode");
    case InputFault::CannotKeepAttributes: return because("cannot keep its extended attributes");
    case InputFault::CannotReplace: return because("cannot replace it");
  }
}

int RunScan(ScanCommand scan, std::istream& in, std::ostream& out, std::ostream& err) {
  ScanRequest& request = scan.request;
  request.options.rules = request.namedRules.value_or(RuleSet::Classic);
  request.output = scan.json               ? ScanOutput::Json
                   : scan.csv              ? ScanOutput::Csv
                   : scan.count            ? ScanOutput::Count
                   : scan.filesWithMatches ? ScanOutput::FilesWithMatches
                                           : ScanOutput::Plain;
  request.onFailure = [&err](const InputFailure& failure) { PrintFailure(failure, err); };
  const SearchResult result = ScanInputs(request, in, out);
  // As grep's: 0 when anything was found, 1 when nothing, 2 after an error.
  return !result.failures.empty() ? 2 : result.Matched() ? 0 : 1;
}

int RunMask(MaskCommand mask, std::istream& in, std::ostream& out, std::ostream& err) {
  if (mask.newKey) {
    WriteNewKeyFile(*mask.newKey);
    return kExitValid;
  }
  MaskOptions& options = mask.request.options;
  options.rules = mask.rules.value_or(RuleSet::Classic);
  options.direction = mask.reverse ? MaskDirection::Reverse : MaskDirection::Encipher;
  if (!mask.redact && !mask.keyFile)
    throw UsageError{"mask needs --key-file FILE, or --redact (a new key: --new-key FILE)"};
  if (mask.keyFile) options.key = ReadKeyFile(*mask.keyFile);
  if (mask.request.inPlace &&
      std::ranges::count(mask.request.paths, "-") + mask.request.paths.empty() > 0)
    throw UsageError{"--in-place rewrites files: name each FILE, not standard input"};
  mask.request.onFailure = [&err](const InputFailure& failure) { PrintFailure(failure, err); };
  const MaskResult result = MaskInputs(mask.request, in, out);
  // What could not be written is no success to sum up.
  if (result.outputFailed) return 2;
  err << "kesmal-cli: " << MaskSummary(result.counts, !options.key) << '\n';
  return result.failures.empty() ? 0 : 2;
}

int RunMake(const MakeCommand& make, std::ostream& out) {
  const Output output = make.json ? Output::Json : make.csv ? Output::Csv : Output::Plain;
  NumberStream numbers = Make(make.request);
  WriteHeader({output, std::nullopt, 1}, out);
  Checker checker(output, std::nullopt);
  std::string block;
  while (const auto number = numbers.Next()) {
    if (output == Output::Plain)
      (block += *number) += '\n';
    else
      checker.Append(*number, block);
    if (block.size() >= 64 * 1024) out << block, block.clear();
  }
  out << block;
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
  if (command == &program) throw UsageError{"missing command (check, make, scan or mask)"};
  if (command->get_name() == "make") Validate(MakeRequest{});  // names the jurisdictions
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
  CheckCommand check;
  MakeCommand make;
  ScanCommand scan;
  MaskCommand mask;
  bool version = false;
  CLI::App app{"check and make identity-card numbers", "kesmal-cli"};

  Program() {
    app.set_help_flag();
    app.allow_extras();
    app.add_flag("--version", version, "print the program's name and version");
    DeclareCheck(app, check);
    DeclareMake(app, make);
    DeclareScan(app, scan);
    DeclareMask(app, mask);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Nothing parsed or requested by the last run is left.
  CLI::App& Fresh() {
    app.clear();
    check = {};
    make = {};
    scan = {};
    mask = {};
    version = false;
    return app;
  }
};

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  thread_local Program declared;
  CLI::App& program = declared.Fresh();
  const CheckCommand& check = declared.check;
  const MakeCommand& make = declared.make;
  const ScanCommand& scan = declared.scan;
  const MaskCommand& mask = declared.mask;
  const bool& version = declared.version;
  try {
    if (WantsHelp(args)) {
      PrintHelp(program, HelpTopic(program, args), out);
      return kExitValid;
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    program.parse(reversed);
    if (version) {
      out << "kesmal-cli " KESMAL_VERSION "\n";
      return kExitValid;
    }
    const std::string& command = ChosenCommand(program).get_name();
    if (command == "check") return RunCheck(check, in, out);
    if (command == "scan") return RunScan(scan, in, out, err);
    if (command == "mask") return RunMask(mask, in, out, err);
    return RunMake(make, out);
  } catch (const UsageError& error) {
    err << "kesmal-cli: " << error.message << " (see kesmal-cli --help)\n";
  } catch (const RequestError& error) {
    err << "kesmal-cli: " << CommandLineMessage(error) << " (see kesmal-cli --help)\n";
  } catch (const DomainTooSmall& error) {
    err << "kesmal-cli: --keep " << KeepSetText(error.keep()) << " leaves "
        << WithThousands(error.count()) << " numbers for " << error.numbers() << ", fewer than the "
        << WithThousands(kPseudonymMinimum)
        << " a pseudonym needs; use --only or keep fewer fields\n";
  } catch (const MaskError& error) {
    err << "kesmal-cli: " << error.what() << '\n';
  } catch (const CLI::ArgumentMismatch& error) {
    err << "kesmal-cli: " << MissingValue(error) << " (see kesmal-cli --help)\n";
  } catch (const CLI::ParseError& error) {
    err << "kesmal-cli: " << error.what() << " (see kesmal-cli --help)\n";
  } catch (const std::ios_base::failure& error) {
    // A stream's buffer throws when its descriptor cannot be read (standard
    // input closed): an input that cannot be read, not a crash.
    const std::error_code code = error.code();
    const bool numbered =
        code.category() == std::generic_category() || code.category() == std::system_category();
    err << "kesmal-cli: " << kStandardInputName << ": "
        << (numbered ? code.message() : std::string("cannot be read")) << '\n';
  }
  return kExitUsage;
}

}  // namespace kesmal::cli

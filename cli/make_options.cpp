#include "cli/make_options.h"

#include <string>

#include "cli/options.h"

namespace kesmal::cli {
namespace {

constexpr RequestField kOptionFields[] = {
    RequestField::Count,  RequestField::Seed,   RequestField::Sex,
    RequestField::Region, RequestField::Length, RequestField::Birth,
    RequestField::Age,    RequestField::Unique, RequestField::Invalid};

// Each value is parsed as it is met, so that the first bad one is the one named.
CLI::Option* DeclareField(CLI::App& command, MakeRequest& request, const std::string& name,
                          std::string_view typeName, const std::string& help) {
  return command.add_option(name)
      ->description(help)
      ->type_name(std::string(typeName))
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->each([&request, name, jurisdiction = command.get_name()](const std::string& text) {
        request.jurisdiction = jurisdiction;
        SetMakeOption(request, name, text);
      });
}

void DeclareRunOptions(CLI::App& command, MakeCommand& make) {
  const std::string group(kRunOptions);
  MakeRequest& request = make.request;
  DeclareField(command, request, "--count", "N", "how many numbers (default 1)")->group(group);
  DeclareField(command, request, "--seed", "S",
               "make the run reproducible; without it the clock seeds")
      ->group(group);
  CLI::Option* unique =
      command
          .add_flag("--unique", request.unique,
                    "no number twice in the run; when the other options leave fewer numbers "
                    "than --count, nothing is made")
          ->group(group);
  DeclareField(command, request, "--invalid", "FAULT",
               "make numbers the check rejects with exactly this fault (a code of check --json: "
               "letter, sex_digit, digits, birth_date, check_code, those the jurisdiction's "
               "check can report) and nothing else wrong; any draws one of them per number")
      ->group(group)
      ->excludes(unique);
  command
      .add_flag("--json", make.json,
                "print each number as check --json does, its input being the number made")
      ->group(group);
  command
      .add_flag("--csv", make.csv, "print each number as check --csv does, after its header row")
      ->group(group)
      ->excludes("--json");
}

constexpr std::string_view kDates = "YYYY-MM-DD|FROM..TO";

void DeclareBirths(CLI::App& command, MakeRequest& request, const std::string& help) {
  CLI::Option* birth = DeclareField(command, request, "--birth", kDates, help);
  DeclareField(command, request, "--age", "MIN-MAX",
               "draw the birth date so that the holder is MIN to MAX whole years old today")
      ->excludes(birth);
}

void DeclareSex(CLI::App& command, MakeRequest& request) {
  DeclareField(command, request, "--sex", "male|female", "fix the sex digit");
}

void DeclareTaiwan(CLI::App& command, MakeRequest& request) {
  DeclareSex(command, request);
  DeclareField(command, request, "--region", "LETTER", "fix the region letter, A to Z");
}

void DeclareHongKong(CLI::App& command, MakeRequest& request) {
  DeclareField(command, request, "--length", "8|9",
               "fix the length: 8 (one letter) or 9 (two letters); without it each number's "
               "length is drawn");
}

void DeclareChinaRegion(CLI::App& command, MakeRequest& request) {
  DeclareField(command, request, "--region", "CODE",
               "fix the region by its six-digit code, e.g. 110105");
}

void DeclareChina(CLI::App& command, MakeRequest& request) {
  DeclareChinaRegion(command, request);
  DeclareBirths(command, request,
                "fix the birth date, or draw it from a range (either end may be left out: "
                "from the oldest age on record, to today); without it the year is drawn from "
                "85 to 6 years before this one");
  DeclareSex(command, request);
}

void DeclareKorea(CLI::App& command, MakeRequest& request) {
  DeclareBirths(command, request,
                "fix the birth date, or draw it from a range (either end may be left out: from "
                "99 years before this year, to today); the number keeps it as yymmdd, so the "
                "check places the year in the century by today's year, and a range it would "
                "read in another century is refused");
  DeclareSex(command, request);
}

void DeclareOldChina(CLI::App& command, MakeRequest& request) {
  DeclareChinaRegion(command, request);
  DeclareBirths(command, request,
                "fix the birth date, or draw it from a range (either end may be left out), "
                "from 1900-01-01 to 1999-12-31, the years the form holds");
  DeclareSex(command, request);
}

void DeclareOptionsOf(Jurisdiction form, CLI::App& command, MakeRequest& request) {
  switch (form) {
    case Jurisdiction::Taiwan: return DeclareTaiwan(command, request);
    case Jurisdiction::HongKong: return DeclareHongKong(command, request);
    case Jurisdiction::China: return DeclareChina(command, request);
    case Jurisdiction::ChinaOld: return DeclareOldChina(command, request);
    case Jurisdiction::Korea: return DeclareKorea(command, request);
  }
}

}  // namespace

void DeclareMake(CLI::App& program, MakeCommand& make) {
  CLI::App* command = program.add_subcommand(
      "make",
      "Print N new valid numbers (default 1), one a line. Each option fixes only its own "
      "field; the rest is drawn at random.");
  for (const Jurisdiction form : kListOrder) {
    const JurisdictionEntry& entry = EntryOf(form);
    CLI::App* jurisdiction =
        command->add_subcommand(std::string(entry.name), std::string(entry.title));
    jurisdiction->allow_extras();
    jurisdiction->parse_complete_callback(
        [&make, name = std::string(entry.name)] { make.request.jurisdiction = name; });
    DeclareRunOptions(*jurisdiction, make);
    DeclareOptionsOf(form, *jurisdiction, make.request);
  }
}

std::string OptionOf(RequestField field) {
  if (field == RequestField::Births) field = RequestField::Birth;
  return "--" + std::string(FieldName(field));
}

void SetMakeOption(MakeRequest& request, std::string_view option, std::string_view text) {
  for (const RequestField field : kOptionFields)
    if (option == OptionOf(field)) return SetMakeField(request, field, text);
  throw UsageError{
      "unknown option '" + std::string(option) + "'" +
      (request.jurisdiction.Name().empty() ? "" : " for make " + request.jurisdiction.Name())};
}

std::string CommandLineMessage(const RequestError& error) {
  const RequestError::Parts& parts = error.parts();
  if (parts.problem == RequestError::Problem::NotApplicable)
    return "unknown option '" + OptionOf(parts.field) + "' for make " + parts.value;
  if (parts.problem == RequestError::Problem::Excludes && parts.other &&
      OptionOf(parts.field) == OptionOf(*parts.other))
    return "option '" + OptionOf(parts.field) + "' given twice";
  return error.Describe(OptionOf);
}

}  // namespace kesmal::cli

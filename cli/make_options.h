#pragma once
// The `make` command: one subcommand per jurisdiction, each with the options
// of every run and its own, which fix only their own field.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "rules/dispatch.h"
#include "rules/number_space.h"

namespace kesmal::cli {

// A --birth range or --age as given; open ends are none.
struct BirthsOption {
  std::string option;  // --birth or --age
  std::string text;    // as given, for messages
  std::optional<CivilDate> first;
  std::optional<CivilDate> last;
};

// --invalid FAULT; `any` draws one of the jurisdiction's faults per number.
struct InvalidOption {
  std::string text;
  std::optional<FaultCode> fault;  // none for any
};

struct MakeRequest {
  int jurisdiction = -1;  // the row of the window's list, kOldChina for cn15
  std::optional<std::uint64_t> count;
  std::optional<std::uint32_t> seed;
  bool json = false;
  bool csv = false;
  bool unique = false;
  std::optional<InvalidOption> invalid;
  std::optional<BirthsOption> births;
  MakeSettings settings;  // none while no option of the jurisdiction is given
};

// cn15 has no row in the window's list.
inline constexpr int kOldChina = kJurisdictionCount;

// The made numbers' space, for the runs the window's generators do not
// serve (unique, birth ranges, invalid numbers, the old mainland form); none
// for the others. A range the form cannot hold, or a fault its check cannot
// report, is a usage error.
std::optional<FixedFields> SpaceOf(const MakeRequest& request);

struct JurisdictionEntry {
  std::string_view name;  // "tw"
  std::string_view title;
  int index;  // the row of the window's list
  void (*declare)(CLI::App& command, MakeRequest& request);
};

const std::vector<JurisdictionEntry>& Jurisdictions();

// The group of the options every jurisdiction takes.
inline constexpr std::string_view kRunOptions = "run";

// Declares `make` on the program and its jurisdictions under it.
void DeclareMake(CLI::App& program, MakeRequest& request);

}  // namespace kesmal::cli

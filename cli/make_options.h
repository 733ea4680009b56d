#pragma once
// The `make` command: one subcommand per jurisdiction, each with the options
// of every run and its own, which fix only their own field.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "rules/dispatch.h"

namespace kesmal::cli {

struct MakeRequest {
  int jurisdiction = -1;  // the row of the window's list
  std::optional<std::uint64_t> count;
  std::optional<std::uint32_t> seed;
  bool json = false;
  MakeSettings settings;  // none while no option of the jurisdiction is given
};

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

#pragma once
// The `make` command: one subcommand per jurisdiction, each with the options
// of every run and its own, which fix only their own field.
#include <CLI/CLI.hpp>

#include "kesmal/make.h"

namespace kesmal::cli {

struct MakeCommand {
  MakeRequest request;
  bool json = false;
  bool csv = false;
};

// The group of the options every jurisdiction takes.
inline constexpr std::string_view kRunOptions = "run";

// Declares `make` on the program and its jurisdictions under it.
void DeclareMake(CLI::App& program, MakeCommand& command);

}  // namespace kesmal::cli

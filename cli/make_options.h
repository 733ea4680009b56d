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

// "--length" for RequestField::Length; births are given with --birth.
std::string OptionOf(RequestField field);

// Sets the field of one option from its text, as `make` takes it ("--sex",
// "female"; "--unique", "" for a flag). An unknown option is a UsageError.
void SetMakeOption(MakeRequest& request, std::string_view option, std::string_view text);

// The library's refusal as the command line words it, naming its options.
std::string CommandLineMessage(const RequestError& error);

}  // namespace kesmal::cli

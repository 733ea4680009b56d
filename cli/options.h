#pragma once
// How the command line declares an option: its name, the type of its value
// (how it reads in help, what a good value looks like, how it is parsed) and
// its help, in one declaration. A malformed value is a usage error naming it.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kesmal/make.h"
#include "rules/ascii.h"

namespace kesmal::cli {

// Ends the run with exit status 2 and this one-line message.
struct UsageError {
  std::string message;
};

template <typename T>
struct ValueType {
  std::string_view name;      // in help: "male|female"
  std::string_view expected;  // in the error: "male or female"
  std::optional<T> (*parse)(std::string_view);
};

// Help texts are written as one paragraph; the help printer wraps them.
// `store` receives the parsed value; given twice, an option is a usage error.
template <typename T, typename Store>
CLI::Option* Declare(CLI::App& command, const std::string& name, const ValueType<T>& type,
                     Store store, const std::string& help) {
  return command.add_option(name)
      ->description(help)
      ->type_name(std::string(type.name))
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->each([name, type, store](const std::string& text) {
        const auto value = type.parse(text);
        if (!value) throw UsageError{BadValue(name, text, type.expected)};
        store(*value);
      });
}

template <typename T>
CLI::Option* Declare(CLI::App& command, const std::string& name, const ValueType<T>& type,
                     std::optional<T>& target, const std::string& help) {
  return Declare(
      command, name, type, [&target](const T& value) { target = value; }, help);
}

}  // namespace kesmal::cli

#pragma once
// The command-line companion: checks numbers from arguments or standard input
// and makes new ones, for scripts and batch work. Text in and out is UTF-8.
#include <iosfwd>
#include <string>
#include <vector>

namespace kesmal::cli {

inline constexpr int kExitValid = 0;
inline constexpr int kExitInvalid = 1;
inline constexpr int kExitUsage = 2;

// args excludes the program name.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

}  // namespace kesmal::cli

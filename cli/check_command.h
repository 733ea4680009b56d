#pragma once
// The check command: each number given, or each line of standard input, is
// checked and answered with one line of output, plain, JSON or CSV.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "rules/current.h"

namespace kesmal::cli {

struct CheckRequest {
  std::vector<std::string> numbers;
  bool json = false;
  bool csv = false;
  std::optional<RuleSet> rules;  // none: classic, and the JSON does not name them
  unsigned jobs = 1;             // threads checking blocks of standard input
};

// The exit status: valid when every number checked is valid.
int RunCheck(const CheckRequest& request, std::istream& in, std::ostream& out);

}  // namespace kesmal::cli

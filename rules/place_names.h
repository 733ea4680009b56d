#pragma once
// The names of birthplaces in both encodings. The tables hold GBK; each name
// is converted once per process, when a check first names it, since a batch
// of checks names the same places again and again.
#include <optional>

#include "rules/report_text.h"

namespace kesmal {

// The county of a Taiwan letter row.
const Text& TaiwanPlaceName(int letterRow);

// The province and, when the table knows it, the county of a mainland region
// code; none for an unknown province.
std::optional<Text> MainlandPlaceName(int province, int sub);

}  // namespace kesmal

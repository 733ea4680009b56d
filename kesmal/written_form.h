#pragma once
// A number as it stands in text: its letters and digits in ASCII or full
// width (U+FF10..U+FF19, U+FF21..U+FF3A, U+FF41..U+FF5A), either case, with
// hyphens, brackets and spaces between them. Its canonical form is those
// letters and digits alone, in ASCII capitals.
#include <cstddef>
#include <string>
#include <string_view>

#include "kesmal/pseudonym.h"
#include "rules/id_report.h"

namespace kesmal {

// The bytes of the character at `at` when it is a letter or digit, ASCII
// (1) or full width (3); 0 for any other character.
std::size_t AlnumLength(std::string_view text, std::size_t at);

// The canonical form of a written number.
std::string CanonicalOf(std::string_view written);

// `canonical` (a number of as many letters and digits as `written` holds)
// written as `written` is: each character in the width and case of the one it
// replaces (a letter where a digit stood takes the case of the written
// letters), everything else kept.
std::string InWrittenForm(std::string_view written, std::string_view canonical);

// The written number with each letter and digit replaced by '*' (full width
// '＊' for a full-width one), except those of the kept fields the
// jurisdiction's numbers carry; hyphens and brackets stay.
std::string Redacted(std::string_view written, Jurisdiction jurisdiction, KeepSet keep);

}  // namespace kesmal

#pragma once
// Numbers that are wrong in one known way, for testing systems that must
// reject them: a valid number with one field spoiled, so that its check
// reports exactly that one fault and nothing else.
#include <string>
#include <string_view>
#include <vector>

#include "rules/id_report.h"

namespace kesmal {

// The faults the form's check can report of a number of its length, in
// report order: Taiwan letter, sex digit, digits, check code; Hong Kong
// letter, digits, check code; Korea digits, birth date, sex digit, check code;
// mainland digits, birth date, check code; the old form digits, birth date.
std::vector<FaultCode> FaultsOf(Jurisdiction form);

// The valid number with the field of the fault replaced by random draws until
// its check reports that fault alone: a letter by a digit, a digit by a
// capital, the sex digit by another digit, the month and day by digits that
// make no date, the check character by another one the check can produce.
// The fault must be one of FaultsOf the number's form.
std::string SpoilNumber(std::string_view valid, FaultCode fault);

}  // namespace kesmal

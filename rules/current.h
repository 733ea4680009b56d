#pragma once
// Today's rules, an opt-in beside the window's: they take what the window's
// rules reject but is issued now. Taiwan resident certificates (second
// character 8 or 9, or A to D in the older format: A800000014, AB12345677);
// Hong Kong numbers printed with the check character in brackets (A123456(3));
// Korea numbers whose seventh digit gives century and sex, foreign residents
// included, with an unverifiable check digit for births from October 2020 on;
// and the mainland residence permits of Hong Kong, Macao and Taiwan residents
// (810000, 820000, 830000). Everything else is judged as the window judges it.
#include <optional>
#include <string_view>

#include "rules/id_report.h"
#include "rules/rule_set.h"

namespace kesmal {

// The rule for a text: by its length, and under today's rules a text of 10
// or 11 characters that holds a bracket is a printed Hong Kong number.
const CheckRule& RuleFor(std::string_view number, RuleSet rules);

// Under today's rules a valid number whose rule names no kind is an identity
// card. Named after the report is written, which tells only the other kinds.
void NameDefaultKind(IdAnalysis& id, RuleSet rules);

// The report under a rule set; none for an empty text. Under today's rules a
// valid number's analysis carries its kind.
std::optional<IdReport> CheckNumberText(std::string_view number, RuleSet rules,
                                        Encoding encoding = Encoding::Gbk);

// The same into a report whose buffers a batch reuses from line to line;
// false, the report left as it was, for an empty text.
bool CheckNumberText(std::string_view number, RuleSet rules, Encoding encoding, IdReport& report);

// The same without the report's text (left empty), for callers that need
// the analysis alone.
bool AnalyseNumberText(std::string_view number, RuleSet rules, IdReport& report);

inline std::optional<IdReport> CheckNumberTextCurrent(std::string_view number) {
  return CheckNumberText(number, RuleSet::Current);
}

}  // namespace kesmal

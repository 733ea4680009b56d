#include "rules/current.h"

#include "rules/china.h"
#include "rules/dispatch.h"
#include "rules/hong_kong.h"
#include "rules/korea.h"
#include "rules/taiwan.h"

namespace kesmal {

const CheckRule& RuleFor(std::string_view number, RuleSet rules) {
  const std::size_t length = number.size();
  if (rules == RuleSet::Classic) return RuleForLength(length);
  if ((length == 10 || length == 11) && number.find_first_of("()") != std::string_view::npos)
    return HongKongPrintedRule;
  switch (length) {
    case 10: return TaiwanIdCurrentRule;
    case 13: return KoreaIdCurrentRule;
    case 18: return ChinaIdOrPermitRule;
    default: return RuleForLength(length);
  }
}

std::optional<IdReport> CheckNumberText(std::string_view number, RuleSet rules, Encoding encoding) {
  if (number.empty()) return std::nullopt;
  IdReport report = ReportFrom(RuleFor(number, rules), number, encoding);
  if (rules == RuleSet::Current && report.valid && !report.analysis.kind)
    report.analysis.kind = IdKind::IdentityCard;
  return report;
}

}  // namespace kesmal

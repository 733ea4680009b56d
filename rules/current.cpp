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

void NameDefaultKind(IdAnalysis& id, RuleSet rules) {
  if (rules == RuleSet::Current && id.Valid() && !id.kind) id.kind = IdKind::IdentityCard;
}

bool CheckNumberText(std::string_view number, RuleSet rules, Encoding encoding, IdReport& report) {
  if (number.empty()) return false;
  ReportInto(RuleFor(number, rules), number, encoding, report);
  NameDefaultKind(report.analysis, rules);
  return true;
}

bool AnalyseNumberText(std::string_view number, RuleSet rules, IdReport& report) {
  if (number.empty()) return false;
  RuleFor(number, rules).analyse(number, report.analysis);
  report.text.clear();
  report.valid = report.analysis.Valid();
  NameDefaultKind(report.analysis, rules);
  return true;
}

std::optional<IdReport> CheckNumberText(std::string_view number, RuleSet rules, Encoding encoding) {
  IdReport report;
  report.text.reserve(192);  // most reports fit
  if (!CheckNumberText(number, rules, encoding, report)) return std::nullopt;
  return report;
}

}  // namespace kesmal

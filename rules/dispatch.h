#pragma once
// Which rule handles a request: a check is chosen by the text's length in
// bytes alone, a generation by the jurisdiction's row in the window's list
// (rules/jurisdictions.h).
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "rules/china.h"
#include "rules/hong_kong.h"
#include "rules/id_report.h"
#include "rules/jurisdictions.h"
#include "rules/korea.h"
#include "rules/taiwan.h"

namespace kesmal {

// The settings record of the panel shown, or none while the panels are closed.
using MakeSettings = std::variant<std::monostate, TaiwanMakeSettings, HongKongMakeSettings,
                                  ChinaMakeSettings, KoreaMakeSettings>;

// The panels' settings follow the window's rows.
static_assert(
    std::is_same_v<std::variant_alternative_t<RowOf(Jurisdiction::Taiwan) + 1, MakeSettings>,
                   TaiwanMakeSettings> &&
    std::is_same_v<std::variant_alternative_t<RowOf(Jurisdiction::HongKong) + 1, MakeSettings>,
                   HongKongMakeSettings> &&
    std::is_same_v<std::variant_alternative_t<RowOf(Jurisdiction::China) + 1, MakeSettings>,
                   ChinaMakeSettings> &&
    std::is_same_v<std::variant_alternative_t<RowOf(Jurisdiction::Korea) + 1, MakeSettings>,
                   KoreaMakeSettings>);

// The report of the checker for the text's length, or the rejection message
// for an unsupported length; none for an empty text. The window shows GBK, the
// command line writes the text in UTF-8.
std::optional<IdReport> CheckNumberText(std::string_view number, Encoding encoding = Encoding::Gbk);

// The rule for a text of that length: a jurisdiction's check, or the
// rejection message for a length no rule takes.
const CheckRule& RuleForLength(std::size_t length);

// "您输入的“" + text + "”是错误或程式不支援的的身分证字号！请重新输入....",
// written into the buffer given.
std::string RejectionMessage(std::string_view number, std::string buffer = {});

// A new number of the jurisdiction in that row, or none for a row the window
// lacks.
// Settings of another jurisdiction count as none.
std::optional<std::string> MakeNumberText(int jurisdiction, const MakeSettings& settings);

// The check that follows a generation, run on the text read back from the
// entry field; Hong Kong picks its checker by that text's length.
IdReport CheckMadeNumber(int jurisdiction, std::string_view readBack);

}  // namespace kesmal

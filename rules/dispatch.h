#pragma once
// Which rule handles a request: a check is chosen by the text's length in
// bytes alone, a generation by the jurisdiction's index in the window's list
// (0 Taiwan, 1 Hong Kong, 2 mainland China, 3 Korea).
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "rules/china.h"
#include "rules/hong_kong.h"
#include "rules/id_report.h"
#include "rules/korea.h"
#include "rules/taiwan.h"

namespace kesmal {

// The settings record of the panel shown, or none while the panels are closed.
using MakeSettings = std::variant<std::monostate, TaiwanMakeSettings, HongKongMakeSettings,
                                  ChinaMakeSettings, KoreaMakeSettings>;

inline constexpr int kJurisdictionCount = 4;

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

// A new number of the jurisdiction, or none for an index outside 0 to 3.
// Settings of another jurisdiction count as none.
std::optional<std::string> MakeNumberText(int jurisdiction, const MakeSettings& settings);

// The check that follows a generation, run on the text read back from the
// entry field; Hong Kong picks its checker by that text's length.
IdReport CheckMadeNumber(int jurisdiction, std::string_view readBack);

}  // namespace kesmal

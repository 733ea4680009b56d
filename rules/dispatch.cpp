#include "rules/dispatch.h"

#include <algorithm>

#include "rules/report_text.h"

namespace kesmal {
namespace {

template <typename Settings>
std::optional<Settings> SettingsOf(const MakeSettings& settings) {
  if (const auto* record = std::get_if<Settings>(&settings)) return *record;
  return std::nullopt;
}

bool IsAscii(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
}

// Most rejected inputs are ASCII, the same in both encodings: they need no converting.
void WriteRejection(std::string_view number, ReportWriter& out) {
  out.Put({KESMAL_TEXT("您输入的“"), IsAscii(number) ? Ascii(number) : Text(number),
           KESMAL_TEXT("”是错误或程式不支援的的身分证字号！请重新输入....")});
}

}  // namespace

std::string RejectionMessage(std::string_view number, std::string message) {
  message.clear();
  ReportWriter out(Encoding::Gbk, message);
  WriteRejection(number, out);
  return message;
}

const CheckRule& RuleForLength(std::size_t length) {
  static const CheckRule rejection{
      [](std::string_view number, IdAnalysis& rejected) {
        rejected.Restart(std::nullopt, number);
        // The message is written into the last one's buffer and moves into the fault
        // rather than being copied: a batch rejects many lines.
        rejected.faults.emplace_back(FaultCode::Length, std::string_view{},
                                     RejectionMessage(number, std::move(rejected.spareText)));
      },
      [](const IdAnalysis& id, ReportWriter& out) { WriteRejection(id.number, out); }};
  switch (length) {
    case 8: return HongKongId8Rule;
    case 9: return HongKongId9Rule;
    case 10: return TaiwanIdRule;
    case 13: return KoreaIdRule;
    case 15: return ChinaOldIdRule;
    case 18: return ChinaIdRule;
    default: return rejection;
  }
}

std::optional<IdReport> CheckNumberText(std::string_view number, Encoding encoding) {
  if (number.empty()) return std::nullopt;
  return ReportFrom(RuleForLength(number.size()), number, encoding);
}

std::optional<std::string> MakeNumberText(int jurisdiction, const MakeSettings& settings) {
  switch (jurisdiction) {
    case RowOf(Jurisdiction::Taiwan): return MakeTaiwanId(SettingsOf<TaiwanMakeSettings>(settings));
    case RowOf(Jurisdiction::HongKong):
      return MakeHongKongId(SettingsOf<HongKongMakeSettings>(settings));
    case RowOf(Jurisdiction::China): return MakeChinaId(SettingsOf<ChinaMakeSettings>(settings));
    case RowOf(Jurisdiction::Korea): return MakeKoreaId(SettingsOf<KoreaMakeSettings>(settings));
    default: return std::nullopt;
  }
}

IdReport CheckMadeNumber(int jurisdiction, std::string_view readBack) {
  switch (jurisdiction) {
    case RowOf(Jurisdiction::Taiwan):
      if (readBack.size() == 10) return CheckTaiwanId(readBack);
      break;
    case RowOf(Jurisdiction::HongKong):
      if (readBack.size() == 8) return CheckHongKongId8(readBack);
      if (readBack.size() == 9) return CheckHongKongId9(readBack);
      break;
    case RowOf(Jurisdiction::China):
      if (readBack.size() == 18) return CheckChinaId(readBack);
      break;
    case RowOf(Jurisdiction::Korea):
      if (readBack.size() == 13) return CheckKoreaId(readBack);
      break;
  }
  // The entry field cannot change a generated number; should it ever, judge
  // what it holds by its length rather than read past its end.
  return CheckNumberText(readBack).value_or(IdReport{});
}

}  // namespace kesmal

#include "rules/id_report.h"

#include <array>

#include "rules/report_text.h"

namespace kesmal {
namespace {

// "最后一码检查码应该是(c)，" in one encoding for every ASCII character c.
template <typename Char, std::size_t PrefixSize, std::size_t SuffixSize>
std::array<std::string, 128> CheckCodeSentences(const Char (&prefix)[PrefixSize],
                                                const Char (&suffix)[SuffixSize]) {
  std::array<std::string, 128> sentences;
  for (std::size_t c = 0; c < sentences.size(); ++c)
    sentences[c] = std::string(reinterpret_cast<const char*>(prefix), PrefixSize - 1) +
                   static_cast<char>(c) +
                   std::string(reinterpret_cast<const char*>(suffix), SuffixSize - 1);
  return sentences;
}

}  // namespace

// Faults are made where the vector keeps them: one moved in is first built on
// the stack, and moving it reads it back before its stores are done.
void IdAnalysis::AddFault(FaultCode code, const Text& sentence) {
  if (sentence.utf8.data())
    faults.emplace_back(code, sentence);
  else
    faults.emplace_back(code, std::string_view{}, std::string(sentence.gbk));
}

void IdAnalysis::Restart(std::optional<Jurisdiction> of, std::string_view text) {
  jurisdiction = of;
  number.assign(text);
  if (!faults.empty() && faults.front().code == FaultCode::Length)
    spareText = std::move(faults.front().ownText);
  faults.clear();
  birthplace.reset();
  regionCode.reset();
  birthday.reset();
  sex.reset();
  upgrade.reset();
  kind.reset();
  checkCodeVerified.reset();
}

void IdAnalysis::AddCheckCodeFault(char expected) {
  static const auto gbk = CheckCodeSentences("最后一码检查码应该是(", ")，");
  static const auto utf8 = CheckCodeSentences(u8"最后一码检查码应该是(", u8")，");
  const auto c = static_cast<unsigned char>(expected) & 0x7F;
  faults.emplace_back(FaultCode::CheckCode, Text(gbk[c], utf8[c]), std::string(), expected);
}

void IdAnalysis::WriteFaults(ReportWriter& out, const Text& ending) const {
  for (const Fault& fault : faults) out.Put({fault.Sentence()});
  out.Put({ending});
}

std::string IdAnalysis::FaultSentences(std::string_view ending) const {
  std::string sentences;
  ReportWriter out(Encoding::Gbk, sentences);
  WriteFaults(out, ending);
  return sentences;
}

Text SexWord(HolderSex sex) {
  return sex == HolderSex::Male ? KESMAL_TEXT("男性") : KESMAL_TEXT("女性");
}

namespace {

void WriteReport(const CheckRule& rule, IdReport& report) {
  ReportWriter writer(report.encoding, report.text);
  rule.write(report.analysis, writer);
  report.valid = report.analysis.Valid();
}

}  // namespace

IdAnalysis Analyse(const CheckRule& rule, std::string_view number) {
  IdAnalysis id;
  rule.analyse(number, id);
  return id;
}

IdReport::IdReport(const CheckRule& rule, std::string_view number, Encoding encoding)
    : encoding(encoding) {
  rule.analyse(number, analysis);
  text.reserve(192);  // most reports fit
  WriteReport(rule, *this);
}

IdReport ReportFrom(const CheckRule& rule, std::string_view number, Encoding encoding) {
  return IdReport(rule, number, encoding);
}

void ReportInto(const CheckRule& rule, std::string_view number, Encoding encoding,
                IdReport& report) {
  rule.analyse(number, report.analysis);
  report.text.clear();
  report.encoding = encoding;
  WriteReport(rule, report);
}

}  // namespace kesmal

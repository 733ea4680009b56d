#include "rules/id_report.h"

namespace kesmal {

void IdAnalysis::AddFault(FaultCode code, std::string_view sentence) {
  faults.push_back({code, std::string(sentence)});
}

void IdAnalysis::AddCheckCodeFault(char expected) {
  faults.push_back(
      {FaultCode::CheckCode, "最后一码检查码应该是(" + std::string(1, expected) + ")，", expected});
}

std::string IdAnalysis::FaultSentences() const {
  std::string sentences;
  for (const Fault& fault : faults) sentences += fault.sentence;
  return sentences;
}

const char* SexWord(HolderSex sex) { return sex == HolderSex::Male ? "男性" : "女性"; }

IdReport ReportFrom(IdAnalysis analysis, std::string (*text)(const IdAnalysis&)) {
  std::string written = text(analysis);
  const bool valid = analysis.Valid();
  return {std::move(written), valid, std::move(analysis)};
}

}  // namespace kesmal

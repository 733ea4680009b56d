#include "rules/id_report.h"

#include <algorithm>

namespace kesmal {

void IdAnalysis::AddFault(FaultCode code, std::string_view sentence) {
  faults.push_back({code, std::string(sentence)});
}

void IdAnalysis::AddCheckCodeFault(char expected) {
  faults.push_back(
      {FaultCode::CheckCode, "最后一码检查码应该是(" + std::string(1, expected) + ")，", expected});
}

std::string IdAnalysis::FaultSentences(std::string_view ending) const {
  std::string sentences;
  std::size_t size = ending.size();
  for (const Fault& fault : faults) size += fault.sentence.size();
  sentences.reserve(size);
  for (const Fault& fault : faults) sentences += fault.sentence;
  sentences += ending;
  return sentences;
}

std::string Joined(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  std::string joined(size, '\0');
  char* to = joined.data();
  for (std::string_view piece : pieces) to = std::copy(piece.begin(), piece.end(), to);
  return joined;
}

const char* SexWord(HolderSex sex) { return sex == HolderSex::Male ? "男性" : "女性"; }

IdReport ReportFrom(IdAnalysis analysis, std::string (*text)(const IdAnalysis&)) {
  std::string written = text(analysis);
  const bool valid = analysis.Valid();
  return {std::move(written), valid, std::move(analysis)};
}

}  // namespace kesmal

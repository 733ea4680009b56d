#include "rules/layout.h"

#include "rules/layout_china.h"
#include "rules/layout_hong_kong.h"
#include "rules/layout_korea.h"
#include "rules/layout_taiwan.h"

namespace kesmal {

const FieldPositions& PositionsOf(Jurisdiction jurisdiction) {
  switch (jurisdiction) {
    case Jurisdiction::Taiwan: return kTaiwanPositions;
    case Jurisdiction::HongKong: return kHongKongPositions;
    case Jurisdiction::China: return kChinaPositions;
    case Jurisdiction::ChinaOld: return kChinaOldPositions;
    case Jurisdiction::Korea: return kKoreaPositions;
  }
  return kHongKongPositions;
}

char CheckLetterOf(Jurisdiction jurisdiction) {
  switch (jurisdiction) {
    case Jurisdiction::HongKong: return kHongKongCheckLetter;
    case Jurisdiction::China: return kChinaCheckLetter;
    default: return 0;
  }
}

}  // namespace kesmal

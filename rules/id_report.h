#pragma once
// The outcome of one check: the single line of GBK text the report area shows,
// and the verdict, which scripts need and the window does not show.
#include <string>

namespace kesmal {

struct IdReport {
  std::string text;
  bool valid = false;
};

enum class HolderSex { Male, Female };

}  // namespace kesmal

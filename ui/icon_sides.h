#pragma once
// The sizes, in pixels, at which the program's icon is drawn: those desktops
// ask for, in title bars, task bars and window switchers.
#include <array>

namespace kesmal {

inline constexpr std::array<int, 7> kIconSides{16, 24, 32, 48, 64, 128, 256};

}  // namespace kesmal

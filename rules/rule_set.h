#pragma once
// The two sets of rules a check can judge by: the window's (classic), and
// today's, which take what the window's reject but is issued now (current.h).

namespace kesmal {

enum class RuleSet { Classic, Current };

}  // namespace kesmal

#include <gtest/gtest.h>

#include "ui/dock_panel.h"

namespace kesmal {
namespace {

struct DockCase {
  const char* name;
  WindowBounds main;
  int screenWidth;
  PanelPlace expected;
};

// A panel of 252 x 136 beside a main window of 377 x 424 outer size.
constexpr int kPanelWidth = 252;
constexpr int kPanelHeight = 136;

class DockPanelTest : public testing::TestWithParam<DockCase> {};

TEST_P(DockPanelTest, PlacesThePanel) {
  const DockCase& c = GetParam();
  EXPECT_EQ(DockPanel(c.main, kPanelWidth, kPanelHeight, c.screenWidth), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    , DockPanelTest,
    testing::Values(
        DockCase{"right_side_bottoms_level", {100, 50, 377, 424}, 1280, {477, 338}},
        DockCase{"left_side_past_the_right_edge", {700, 50, 377, 424}, 1280, {448, 338}},
        DockCase{"exactly_at_the_right_edge_stays_right", {651, 50, 377, 424}, 1280, {1028, 338}},
        DockCase{"one_pixel_past_goes_left", {652, 50, 377, 424}, 1280, {400, 338}},
        DockCase{"main_window_on_a_second_screen", {1400, 50, 377, 424}, 1280, {1148, 338}},
        DockCase{"left_side_is_not_clamped", {100, 50, 377, 424}, 500, {-152, 338}},
        DockCase{"tall_panel_may_rise_above_the_top", {100, -300, 377, 100}, 1280, {477, -336}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kesmal

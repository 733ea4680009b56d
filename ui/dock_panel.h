#pragma once
// Where a settings panel goes beside the main window, given the main window's
// outer bounds (frame and caption bar included): its left edge on the main
// window's right edge and the bottom edges level; on the left side instead
// when it would pass the right edge of the screen. A panel ending exactly at
// that edge stays right. Nothing is clamped: on the left it may pass the
// screen's left edge, and a tall panel may rise above the top.
#include <cstdint>

namespace kesmal {

struct WindowBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct PanelPlace {
  int left = 0;
  int top = 0;
  friend bool operator==(const PanelPlace&, const PanelPlace&) = default;
};

constexpr PanelPlace DockPanel(const WindowBounds& main, int panelWidth, int panelHeight,
                               int screenWidth) {
  const std::int64_t rightEdge = std::int64_t{main.left} + main.width;
  PanelPlace place{main.left + main.width, main.top + main.height - panelHeight};
  if (rightEdge + panelWidth > screenWidth) place.left = main.left - panelWidth;
  return place;
}

}  // namespace kesmal

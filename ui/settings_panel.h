#pragma once
// What the main window needs of a generation settings panel: a borderless tool
// window without a taskbar entry, hidden until the panels are opened, that
// reads its controls into its jurisdiction's settings record.
#include <QWidget>
#include <optional>

#include "rules/dispatch.h"

class QDateEdit;
class QShowEvent;

namespace kesmal {

class SettingsPanel : public QWidget {
 public:
  explicit SettingsPanel(QWidget* owner);

  // Built afresh from the controls at every generation.
  virtual MakeSettings Settings() const = 0;

  // Moves the panel to its place beside the main window, which it keeps until
  // the next call.
  void DockAt(QPoint place);

 protected:
  // Call once the form's controls exist.
  void FinishForm();

  // The form's own fonts are resolved, and its flag (dynamic property "flag",
  // the image's path) drawn, at the first show: they cost more than the rest
  // of the panel, and a hidden panel draws nothing.
  void showEvent(QShowEvent* event) override;

  // A window manager that takes a hidden tool window back into a frame at its
  // next show can report the position inside that frame, (0,0), while the
  // screen shows the panel where it was placed; the panel's lists and calendar
  // would then open in the screen's corner. A position other than the docked
  // one is asked for again, and the answer is the true one.
  void moveEvent(QMoveEvent* event) override;

 private:
  bool formCompleted_ = false;
  std::optional<QPoint> docked_;
  int reclaims_ = 0;
};

// The picker moves back by 15 to 30 steps of 365 days, one draw of the random
// source; the time of day stays.
void DrawDefaultBirthDate(QDateEdit& picker);

CivilDate DateOf(const QDateEdit& picker);

}  // namespace kesmal

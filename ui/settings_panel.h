#pragma once
// What the main window needs of a generation settings panel: a borderless tool
// window without a taskbar entry, hidden until the panels are opened, that
// reads its controls into its jurisdiction's settings record.
#include <QWidget>

#include "rules/dispatch.h"

class QDateEdit;
class QShowEvent;

namespace kesmal {

class SettingsPanel : public QWidget {
 public:
  explicit SettingsPanel(QWidget* owner);

  // Built afresh from the controls at every generation.
  virtual MakeSettings Settings() const = 0;

 protected:
  // Call once the form's controls exist.
  void FinishForm();

  // The form's own fonts are resolved, and its flag (dynamic property "flag",
  // the image's path) drawn, at the first show: they cost more than the rest
  // of the panel, and a hidden panel draws nothing.
  void showEvent(QShowEvent* event) override;

 private:
  bool formCompleted_ = false;
};

// The picker moves back by 15 to 30 steps of 365 days, one draw of the random
// source; the time of day stays.
void DrawDefaultBirthDate(QDateEdit& picker);

CivilDate DateOf(const QDateEdit& picker);

}  // namespace kesmal

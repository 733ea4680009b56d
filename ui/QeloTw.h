#pragma once
// The Taiwan settings panel: the holder's sex and the region letter, chosen by
// the place it stands for.
#include <memory>

#include "ui/settings_panel.h"

namespace Ui {
class TfrmTaiwan;
}

namespace kesmal {

class TfrmTaiwan : public SettingsPanel {
  Q_OBJECT

 public:
  explicit TfrmTaiwan(QWidget* owner);
  ~TfrmTaiwan() override;

  // The 26 places of the region letters, in table order, none selected.
  void FillRegions();

  MakeSettings Settings() const override;

 private:
  std::unique_ptr<Ui::TfrmTaiwan> ui_;
};

}  // namespace kesmal

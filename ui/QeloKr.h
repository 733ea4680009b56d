#pragma once
// The Korea settings panel: birth date and sex.
#include <memory>

#include "ui/settings_panel.h"

namespace Ui {
class TfrmKorea;
}

namespace kesmal {

class TfrmKorea : public SettingsPanel {
  Q_OBJECT

 public:
  explicit TfrmKorea(QWidget* owner);
  ~TfrmKorea() override;

  void DrawDefaultDate();

  MakeSettings Settings() const override;

 private:
  std::unique_ptr<Ui::TfrmKorea> ui_;
};

}  // namespace kesmal

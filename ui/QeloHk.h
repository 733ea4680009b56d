#pragma once
// The Hong Kong settings panel: eight characters (one letter) or nine (two).
#include <memory>

#include "ui/settings_panel.h"

namespace Ui {
class TfrmHongKong;
}

namespace kesmal {

class TfrmHongKong : public SettingsPanel {
  Q_OBJECT

 public:
  explicit TfrmHongKong(QWidget* owner);
  ~TfrmHongKong() override;

  MakeSettings Settings() const override;

 private:
  std::unique_ptr<Ui::TfrmHongKong> ui_;
};

}  // namespace kesmal

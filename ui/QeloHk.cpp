#include "ui/QeloHk.h"

#include "ui_QeloHk.h"

namespace kesmal {

TfrmHongKong::TfrmHongKong(QWidget* owner)
    : SettingsPanel(owner), ui_(std::make_unique<Ui::TfrmHongKong>()) {
  ui_->setupUi(this);
  FinishForm();
}

TfrmHongKong::~TfrmHongKong() = default;

MakeSettings TfrmHongKong::Settings() const {
  return HongKongMakeSettings{ui_->rbnHk9->isChecked() ? 9 : 8};
}

}  // namespace kesmal

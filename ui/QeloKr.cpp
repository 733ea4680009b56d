#include "ui/QeloKr.h"

#include "ui_QeloKr.h"

namespace kesmal {

TfrmKorea::TfrmKorea(QWidget* owner)
    : SettingsPanel(owner), ui_(std::make_unique<Ui::TfrmKorea>()) {
  ui_->setupUi(this);
  FinishForm();
}

TfrmKorea::~TfrmKorea() = default;

void TfrmKorea::DrawDefaultDate() { DrawDefaultBirthDate(*ui_->dtpKrDate); }

MakeSettings TfrmKorea::Settings() const {
  KoreaMakeSettings settings;
  settings.BirthDate = DateOf(*ui_->dtpKrDate);
  if (ui_->rbnKrBoy->isChecked()) settings.Sex = HolderSex::Male;
  if (ui_->rbnKrGirl->isChecked()) settings.Sex = HolderSex::Female;
  return settings;
}

}  // namespace kesmal

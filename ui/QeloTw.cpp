#include "ui/QeloTw.h"

#include "data/taiwan_letters.h"
#include "ui/gbk_text.h"
#include "ui_QeloTw.h"

namespace kesmal {

TfrmTaiwan::TfrmTaiwan(QWidget* owner)
    : SettingsPanel(owner), ui_(std::make_unique<Ui::TfrmTaiwan>()) {
  ui_->setupUi(this);
  FinishForm();
}

TfrmTaiwan::~TfrmTaiwan() = default;

void TfrmTaiwan::FillRegions() {
  ui_->cbxTwLocal->clear();
  for (const TaiwanLetter& letter : TaiwanLetterTable)
    ui_->cbxTwLocal->addItem(FromGbk(letter.Name));
  ui_->cbxTwLocal->setCurrentIndex(-1);
}

MakeSettings TfrmTaiwan::Settings() const {
  TaiwanMakeSettings settings;
  if (const int row = ui_->cbxTwLocal->currentIndex(); row >= 0) settings.Region = row;
  if (ui_->rbnTwMan->isChecked()) settings.Sex = HolderSex::Male;
  if (ui_->rbnTwGirl->isChecked()) settings.Sex = HolderSex::Female;
  return settings;
}

}  // namespace kesmal

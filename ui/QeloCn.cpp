#include "ui/QeloCn.h"

#include "data/regions.h"
#include "ui/gbk_text.h"
#include "ui_QeloCn.h"

namespace kesmal {
namespace {

QStringList FromGbk(const std::vector<std::string>& names) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(names.size()));
  for (const std::string& name : names) list << kesmal::FromGbk(name);
  return list;
}

}  // namespace

TfrmChina::TfrmChina(QWidget* owner)
    : SettingsPanel(owner), ui_(std::make_unique<Ui::TfrmChina>()) {
  ui_->setupUi(this);
  FinishForm();
  ui_->cbxCnSex->setCurrentIndex(-1);
  connect(ui_->cbxCnLocal, &QComboBox::activated, this, &TfrmChina::cbxCnLocalChange);
}

TfrmChina::~TfrmChina() = default;

void TfrmChina::FillProvinces() {
  ui_->cbxCnLocal->clear();
  ui_->cbxCnLocal->addItems(FromGbk(ProvinceNames()));
  ui_->cbxCnLocal->setCurrentIndex(-1);
}

void TfrmChina::DrawDefaultDate() { DrawDefaultBirthDate(*ui_->dtpCnDate); }

void TfrmChina::cbxCnLocalChange(int province) {
  ui_->cbxCnSubLocal->clear();
  ui_->cbxCnSubLocal->addItems(FromGbk(CountyNames(province)));
  ui_->cbxCnSubLocal->setCurrentIndex(0);
}

MakeSettings TfrmChina::Settings() const {
  ChinaMakeSettings settings;
  settings.Local = ui_->cbxCnLocal->currentIndex();
  settings.SubLocal = ui_->cbxCnSubLocal->currentIndex();
  settings.BirthDate = DateOf(*ui_->dtpCnDate);
  settings.Sex = ui_->cbxCnSex->currentIndex();
  return settings;
}

}  // namespace kesmal

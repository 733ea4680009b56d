#pragma once
// The mainland settings panel: province, county-level region, birth date and
// sex. The lower list holds the regions of the province chosen above it.
#include <memory>

#include "ui/settings_panel.h"

namespace Ui {
class TfrmChina;
}

namespace kesmal {

class TfrmChina : public SettingsPanel {
  Q_OBJECT

 public:
  explicit TfrmChina(QWidget* owner);
  ~TfrmChina() override;

  // The 31 province-level units in table order, none selected.
  void FillProvinces();

  void DrawDefaultDate();

  MakeSettings Settings() const override;

 private:
  void cbxCnLocalChange(int province);

  std::unique_ptr<Ui::TfrmChina> ui_;
};

}  // namespace kesmal

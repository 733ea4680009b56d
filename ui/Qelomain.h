#pragma once
// The main window: the entry field with its check, cut, clear and exit
// buttons, the jurisdiction list with the generate and panel buttons, the
// report area and the two links. It hands the entry's text, in GBK, to the
// rules and shows what they answer; the judging is theirs. It owns the four
// settings panels and keeps the open one docked at its side.
#include <QWidget>
#include <array>
#include <memory>

#include "rules/jurisdictions.h"

class QKeyEvent;

namespace Ui {
class TfrmMain;
}

namespace kesmal {

class SettingsPanel;
class TfrmChina;
class TfrmHongKong;
class TfrmKorea;
class TfrmTaiwan;

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  // screenWidth: the primary screen's width, read once at start; a panel that
  // would pass it docks on the left instead.
  explicit TfrmMain(int screenWidth, QWidget* parent = nullptr);
  ~TfrmMain() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  // The first paint queues FinishStart.
  void paintEvent(QPaintEvent* event) override;

 private:
  // True when the key press is consumed.
  bool edtIdKeyPress(const QKeyEvent& key);
  void edtIdChange();
  void btnCheckClick();
  void btnCutClick();
  void btnCleanClick();
  void btnExitClick();
  void cbxTypeChange();
  void btnMakeClick();
  void btnUserDefineClick();
  void lblWebClick();
  void lblMailClick();

  // What the first paint does without: the settings panels and the report
  // area's face for Latin letters. Done once, after the first paint, or
  // earlier by the first action that needs it.
  void FinishStart();

  void CheckNumber();
  void MakeNumber();

  // The panel of the jurisdiction selected: 1 Hong Kong, 2 China, 3 Korea,
  // any other index Taiwan.
  SettingsPanel* SelectedPanel() const;
  std::array<SettingsPanel*, kesmal::kWindowRowCount> Panels() const;
  void Dock(SettingsPanel* panel);
  void SetToggleCaption(const QString& caption);
  // The whole window, frame included, in the middle of the primary screen.
  void CentreWithFrame();

  std::unique_ptr<Ui::TfrmMain> ui_;
  const int screenWidth_;
  bool userDefine_ = false;  // the panels are open
  bool framed_ = false;      // the window manager has told the frame's size
  bool finishQueued_ = false;
  TfrmChina* frmChina_ = nullptr;
  TfrmTaiwan* frmTaiwan_ = nullptr;
  TfrmHongKong* frmHongKong_ = nullptr;
  TfrmKorea* frmKorea_ = nullptr;
};

}  // namespace kesmal

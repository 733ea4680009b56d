#pragma once
// The main window: the entry field with its check, cut, clear and exit
// buttons, the jurisdiction list with the generate and panel buttons, the
// report area and the two links. It hands the entry's text, in GBK, to the
// rules and shows what they answer; the judging is theirs.
#include <QWidget>
#include <memory>

class QKeyEvent;

namespace Ui {
class TfrmMain;
}

namespace kesmal {

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

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
  void lblWebClick();
  void lblMailClick();

  void CheckNumber();
  void MakeNumber();

  std::unique_ptr<Ui::TfrmMain> ui_;
};

}  // namespace kesmal

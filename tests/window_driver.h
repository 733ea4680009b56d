#pragma once
// Opens a fresh main window for each widget test and finds its controls by
// their names, in the main window or in any of its panels.
#include <QComboBox>
#include <QtTest>
#include <memory>

#include "ui/Qelomain.h"

namespace kesmal::test {

class WindowDriver {
 public:
  static constexpr int kScreenWidth = 4000;

  void Open(int screenWidth = kScreenWidth) {
    window_ = std::make_unique<TfrmMain>(screenWidth);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  void Close() { window_.reset(); }

  TfrmMain& Window() { return *window_; }

  template <typename T = QWidget>
  T* Find(const QString& name) {
    auto* widget = window_->findChild<T*>(name);
    if (!widget) qFatal("no widget %s", qPrintable(name));
    return widget;
  }

  // As the user does it: the list's activation, not a programmatic change.
  static void Choose(QComboBox* list, int index) {
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(list, Qt::Key_Down);
  }

  void SelectJurisdiction(int index) {
    auto* list = Find<QComboBox>(QStringLiteral("cbxType"));
    list->setFocus();
    Choose(list, index);
  }

 private:
  std::unique_ptr<TfrmMain> window_;
};

}  // namespace kesmal::test

#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <stdexcept>

#include "rules/random_source.h"
#include "ui/Qelomain.h"
#include "ui/application.h"
#include "window_driver.h"

namespace kesmal {
namespace {

const QString kSentinel = QStringLiteral("clipboard before the test");

// Stands in for the desktop's browser and mail program.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

class Throwing : public QObject {
 public:
  bool event(QEvent*) override { throw std::runtime_error("handler failed"); }
};

}  // namespace

class TestQelomain : public QObject {
  Q_OBJECT

 private:
  test::WindowDriver driver_;

  template <typename T>
  T* Find(const char* name) {
    return driver_.Find<T>(QString::fromLatin1(name));
  }
  QLineEdit* Entry() { return Find<QLineEdit>("edtId"); }
  QPlainTextEdit* Report() { return Find<QPlainTextEdit>("meoShow"); }
  QString Caption() { return Find<QGroupBox>("gbxId")->title(); }
  QString Clipboard() { return QGuiApplication::clipboard()->text(); }

  void SelectJurisdiction(int index) { driver_.SelectJurisdiction(index); }

 private slots:
  void init() {
    QGuiApplication::clipboard()->setText(kSentinel);
    driver_.Open();
  }
  void cleanup() { driver_.Close(); }

  void opensWithEmptyFocusedEntryAndStartText() {
    QCOMPARE(Caption(), QStringLiteral("Номер"));
    QVERIFY(Entry()->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), Entry());
    QCOMPARE(Find<QComboBox>("cbxType")->currentIndex(), -1);
    QVERIFY(!Find<QPushButton>("btnMake")->isEnabled());
    QVERIFY(!Find<QPushButton>("btnUserDefine")->isEnabled());
    QCOMPARE(Report()->toPlainText().split(u'\n').size(), 24);
  }

  // What comes after the first paint changes nothing the first frame shows
  // (but the entry field, which has the focus only once shown).
  void firstFrameIsTheSettledOne() {
    TfrmMain fresh(test::WindowDriver::kScreenWidth);
    const auto frames = [&] {
      QList<QImage> images;
      for (const char* name : {"meoShow", "gbxMake", "gbxShow", "lblWeb"})
        images << fresh.findChild<QWidget*>(QLatin1String(name))->grab().toImage();
      return images;
    };
    const QList<QImage> first = frames();
    fresh.show();
    QTRY_VERIFY(fresh.findChild<QWidget*>(QStringLiteral("frmKorea")));
    QCOMPARE(frames(), first);
  }

  // The marks must stand under 台, 港, 中, 韩 and 旧 in the font the area uses.
  void featureMatrixLinesUp() {
    const QStringList lines = Report()->toPlainText().split(u'\n');
    const QFontMetrics metrics(Report()->font());
    const QString header = lines[9];
    for (int row : {11, 12, 13, 14, 15, 16}) {
      QCOMPARE(lines[row].size(), 16);
      for (int column : {7, 9, 11, 13, 15})
        QCOMPARE(metrics.horizontalAdvance(lines[row].left(column)),
                 metrics.horizontalAdvance(header.left(column)));
    }
  }

  void russianCaptionsFitTheirButtons_data() {
    QTest::addColumn<QString>("button");
    for (const char* name : {"btnCheck", "btnCut", "btnClean", "btnExit"})
      QTest::newRow(name) << name;
  }
  void russianCaptionsFitTheirButtons() {
    QFETCH(QString, button);
    const auto* widget = driver_.Window().findChild<QPushButton*>(button);
    const QRect ink = QFontMetrics(widget->font()).tightBoundingRect(widget->text());
    QVERIFY2(ink.width() <= widget->width(), qPrintable(QString::number(ink.width())));
  }

  void namedFacesHaveInstalledStandIns_data() {
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("face");
    QTest::newRow("report area in the Ming face") << "meoShow"
                                                  << "AR PL UMing CN";
    QTest::newRow("entry field in Verdana") << "edtId"
                                            << "DejaVu Sans";
    QTest::newRow("links in Arial") << "lblWeb"
                                    << "Liberation Sans";
  }
  void namedFacesHaveInstalledStandIns() {
    QFETCH(QString, widget);
    QFETCH(QString, face);
    QCOMPARE(QFontInfo(driver_.Window().findChild<QWidget*>(widget)->font()).family(), face);
  }

  void keyFilter_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    const int none = Qt::NoModifier;
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("small letter shows as capital") << "" << int(Qt::Key_A) << none << "a"
                                                   << "A";
    QTest::newRow("capital letter") << "" << int(Qt::Key_Z) << int(Qt::ShiftModifier) << "Z"
                                    << "Z";
    QTest::newRow("digit") << "" << int(Qt::Key_7) << none << "7"
                           << "7";
    QTest::newRow("full stop") << "" << int(Qt::Key_Period) << none << "."
                               << ".";
    QTest::newRow("backspace deletes the selection")
        << "A12" << int(Qt::Key_Backspace) << none << "\b"
        << "";
    QTest::newRow("space refused") << "A12" << int(Qt::Key_Space) << none << " "
                                   << "A12";
    QTest::newRow("hyphen refused") << "A12" << int(Qt::Key_Minus) << none << "-"
                                    << "A12";
    QTest::newRow("Chinese character refused") << "A12" << 0 << none << "中"
                                               << "A12";
    QTest::newRow("accented letter refused") << "A12" << 0 << none << "é"
                                             << "A12";
    QTest::newRow("Escape refused") << "A12" << int(Qt::Key_Escape) << none << "\x1b"
                                    << "A12";
    QTest::newRow("Ctrl+X does not cut") << "A12" << int(Qt::Key_X) << ctrl << "\x18"
                                         << "A12";
    QTest::newRow("Ctrl+X without a control code") << "A12" << int(Qt::Key_X) << ctrl << "x"
                                                   << "A12";
    QTest::newRow("Ctrl+Z does not undo") << "A12" << int(Qt::Key_Z) << ctrl << "\x1a"
                                          << "A12";
    QTest::newRow("Ctrl+Shift+Z does not redo")
        << "A12" << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier) << "\x1a"
        << "A12";
    QTest::newRow("Ctrl+Backspace refused") << "A12" << int(Qt::Key_Backspace) << ctrl << "\x7f"
                                            << "A12";
    QTest::newRow("Delete types nothing and deletes")
        << "A12" << int(Qt::Key_Delete) << none << "\x7f"
        << "";
  }
  void keyFilter() {
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, after);
    QTest::keyClicks(Entry(), before);
    Entry()->selectAll();  // so that Ctrl+X would have something to cut
    const QString caption = Caption();
    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QApplication::sendEvent(Entry(), &press);
    QCOMPARE(Entry()->text(), after);
    if (after == before) QCOMPARE(Caption(), caption);
    QCOMPARE(Clipboard(), kSentinel);
  }

  void typingShowsCapitalsAndLength() {
    QTest::keyClicks(Entry(), "a1b2");
    QCOMPARE(Entry()->text(), QStringLiteral("A1B2"));
    QCOMPARE(Caption(), QStringLiteral("检查字号 (4)"));
  }

  void fieldTakesNoInputMethodText() {
    QVERIFY(!Entry()->testAttribute(Qt::WA_InputMethodEnabled));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中文"));
    QApplication::sendEvent(Entry(), &commit);
    QVERIFY(Entry()->text().isEmpty());
  }

  void ctrlCCopiesTheSelection() {
    QTest::keyClicks(Entry(), "a12");
    Entry()->selectAll();
    QTest::keyClick(Entry(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard(), QStringLiteral("A12"));
  }

  void ctrlVPastes_data() {
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::newRow("capitals, refused characters kept, cut at 18") << "abc-12 345 xyz 6789 0000"
                                                                  << "ABC-12 345 XYZ 678"
                                                                  << "检查字号 (18)";
    QTest::newRow("Chinese counts two bytes a character") << "五个中文字"
                                                          << "五个中文字"
                                                          << "检查字号 (10)";
    QTest::newRow("short") << "a1"
                           << "A1"
                           << "检查字号 (2)";
  }
  void ctrlVPastes() {
    QFETCH(QString, clipboard);
    QFETCH(QString, field);
    QFETCH(QString, caption);
    QGuiApplication::clipboard()->setText(clipboard);
    QTest::keyClick(Entry(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Entry()->text(), field);
    QCOMPARE(Caption(), caption);
  }

  void check_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QString>("report");
    const QString taiwan = QStringLiteral("“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。");
    const QString eleven =
        QStringLiteral("您输入的“A1234567890”是错误或程式不支援的的身分证字号！请重新输入....");
    const QString chinese = QStringLiteral(
        "第一码应该是英文字母，第二码应该是男性(1)或女性(2)，第3-9码应该是数字(0)~(9)，"
        "才是正确的台湾身分证字号。");
    for (const bool byEnter : {true, false}) {
      const char* how = byEnter ? "Enter" : "button";
      QTest::newRow(qPrintable(QStringLiteral("%1: 10 characters go to Taiwan").arg(how)))
          << "A123456789" << byEnter << taiwan;
      QTest::newRow(qPrintable(QStringLiteral("%1: 11 characters are rejected").arg(how)))
          << "A1234567890" << byEnter << eleven;
      QTest::newRow(qPrintable(QStringLiteral("%1: five Chinese characters are 10 bytes").arg(how)))
          << "五个中文字" << byEnter << chinese;
    }
  }
  void check() {
    QFETCH(QString, field);
    QFETCH(bool, byEnter);
    QFETCH(QString, report);
    QGuiApplication::clipboard()->setText(field);
    QTest::keyClick(Entry(), Qt::Key_V, Qt::ControlModifier);
    if (byEnter) {
      QTest::keyClick(Entry(), Qt::Key_Return);
    } else {
      QTest::mouseClick(Find<QPushButton>("btnCheck"), Qt::LeftButton);
    }
    QCOMPARE(Report()->toPlainText(), report);
    QCOMPARE(Entry()->text(), field);
    QCOMPARE(Entry()->selectedText(), field);
    QCOMPARE(QApplication::focusWidget(), Entry());
  }

  void checkOfEmptyFieldKeepsTheReport() {
    const QString before = Report()->toPlainText();
    QTest::mouseClick(Find<QPushButton>("btnCheck"), Qt::LeftButton);
    QCOMPARE(Report()->toPlainText(), before);
    QCOMPARE(QApplication::focusWidget(), Entry());
  }

  void cutAndClear_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("report");  // "start" for the start text
    QTest::addColumn<QString>("caption");
    QTest::newRow("cut with text") << "btnCut"
                                   << "A123456789"
                                   << "A123456789"
                                   << "已经成功将“A123456789”这个字串，转移至剪贴簿中 ...."
                                   << "检查字号";
    QTest::newRow("cut without text") << "btnCut"
                                      << "" << kSentinel << "start"
                                      << "Номер";
    QTest::newRow("clear with text") << "btnClean"
                                     << "A123456789" << kSentinel << ""
                                     << "检查字号";
    QTest::newRow("clear without text") << "btnClean"
                                        << "" << kSentinel << ""
                                        << "检查字号";
  }
  void cutAndClear() {
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(QString, clipboard);
    QFETCH(QString, report);
    QFETCH(QString, caption);
    const QString start = Report()->toPlainText();
    QTest::keyClicks(Entry(), field);
    QTest::mouseClick(driver_.Window().findChild<QPushButton*>(button), Qt::LeftButton);
    QVERIFY(Entry()->text().isEmpty());
    QCOMPARE(Clipboard(), clipboard);
    QCOMPARE(Report()->toPlainText(), report == QLatin1String("start") ? start : report);
    QCOMPARE(Caption(), caption);
    QCOMPARE(QApplication::focusWidget(), Entry());
  }

  void firstJurisdictionEnablesButtons_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("Taiwan") << 0;
    QTest::newRow("Korea") << 3;
  }
  void firstJurisdictionEnablesButtons() {
    QFETCH(int, index);
    SelectJurisdiction(index);
    QCOMPARE(Find<QComboBox>("cbxType")->currentIndex(), index);
    QVERIFY(Find<QPushButton>("btnMake")->isEnabled());
    QVERIFY(Find<QPushButton>("btnUserDefine")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), Find<QPushButton>("btnMake"));
  }

  // The report after a generation is what a later check of the entry says.
  void generate_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("lengths");
    QTest::newRow("Taiwan") << 0 << QList<int>{10};
    QTest::newRow("Hong Kong") << 1 << QList<int>{8, 9};
    QTest::newRow("China") << 2 << QList<int>{18};
    QTest::newRow("Korea") << 3 << QList<int>{13};
  }
  void generate() {
    QFETCH(int, index);
    QFETCH(QList<int>, lengths);
    SelectJurisdiction(index);
    QPushButton* make = Find<QPushButton>("btnMake");
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
      SeedRandom(seed);
      QTest::mouseClick(make, Qt::LeftButton);
      const QString number = Entry()->text();
      QVERIFY(lengths.contains(number.size()));
      QCOMPARE(Caption(), QStringLiteral("检查字号 (%1)").arg(number.size()));
      QCOMPARE(QApplication::focusWidget(), make);
      QVERIFY2(
          Report()->toPlainText().startsWith(QStringLiteral("“") + number + QStringLiteral("”")),
          qPrintable(Report()->toPlainText()));
      const QString report = Report()->toPlainText();
      QTest::mouseClick(Find<QPushButton>("btnCheck"), Qt::LeftButton);
      QCOMPARE(Report()->toPlainText(), report);
      make->setFocus();
    }
  }

  void linksOpenTheProjectsPages_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("query");
    QTest::newRow("Web") << "lblWeb"
                         << "https"
                         << "kesmal.example.org"
                         << "";
    QTest::newRow("E-Mail") << "lblMail"
                            << "mailto"
                            << "kesmal@example.org"
                            << "subject=[Kesmal v3.1] : ";
  }
  void linksOpenTheProjectsPages() {
    QFETCH(QString, label);
    QFETCH(QString, scheme);
    QFETCH(QString, address);
    QFETCH(QString, query);
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    QTest::mouseClick(driver_.Window().findChild<QLabel*>(label), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(recorder.opened.size(), 1);
    const QUrl url = recorder.opened.front();
    QCOMPARE(url.scheme(), scheme);
    QCOMPARE(scheme == QLatin1String("mailto") ? url.path() : url.host(), address);
    QCOMPARE(url.query(QUrl::FullyDecoded), query);
  }

  void exitClosesTheWindow() {
    QTest::mouseClick(Find<QPushButton>("btnExit"), Qt::LeftButton);
    QVERIFY(!driver_.Window().isVisible());
  }

  void exceptionInHandlerIsShownAndProgramGoesOn() {
    QString shown;
    QTimer::singleShot(0, [&shown] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text();
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->accept();
      }
    });
    Throwing target;
    QEvent event(QEvent::User);
    QVERIFY(!QApplication::sendEvent(&target, &event));
    QCOMPARE(shown, QStringLiteral("handler failed"));
    QTest::keyClicks(Entry(), "a1");
    QCOMPARE(Entry()->text(), QStringLiteral("A1"));
  }
};

}  // namespace kesmal

int main(int argc, char** argv) {
  kesmal::Application app(argc, argv);
  kesmal::TestQelomain test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_qelomain.moc"

// The window on a real X desktop, under a window manager (run by
// window_desktop.sh): the panels dock and follow a drag, the lists and
// calendars open under their controls after many panel switches, every
// caption fits in every state, and random input leaves the window whole.
// Where a window is on the screen is asked of the X server, not of Qt.
// KESMAL_SHOTS names a folder for a screenshot of each step;
// KESMAL_RANDOM_SECONDS the length of the random run (60 by default).
#include <QClipboard>
#include <QDateEdit>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>
#include <random>

#include "ui/application.h"
#include "ui/form_fonts.h"
#include "window_driver.h"

namespace kesmal {
namespace {

// Stands in for the desktop's browser and mail program.
class UrlSink : public QObject {
  Q_OBJECT
 public slots:
  void open(const QUrl&) {}
};

const char* const kPanels[] = {"frmTaiwan", "frmHongKong", "frmChina", "frmKorea"};

QString Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished();
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int Field(const QString& text, const char* pattern) {
  return QRegularExpression(QString::fromLatin1(pattern)).match(text).captured(1).toInt();
}

// The window's outer bounds on the screen, frame included.
QRect OnScreen(const QWidget& window) {
  const QString id = QString::number(window.winId());
  const QString info = Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
  QRect outer(Field(info, "Absolute upper-left X: *(-?\\d+)"),
              Field(info, "Absolute upper-left Y: *(-?\\d+)"), Field(info, "Width: *(\\d+)"),
              Field(info, "Height: *(\\d+)"));
  const QStringList extents =
      Run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, "_NET_FRAME_EXTENTS"})
          .section(u'=', 1)
          .split(u',');
  if (extents.size() == 4)
    outer.adjust(-extents[0].toInt(), -extents[2].toInt(), extents[1].toInt(), extents[3].toInt());
  return outer;
}

void Shoot(const QString& step) {
  static int count = 0;
  const QString folder = qEnvironmentVariable("KESMAL_SHOTS");
  if (folder.isEmpty()) return;
  QDir().mkpath(folder);
  Run(QStringLiteral("import"),
      {"-window", "root",
       QStringLiteral("%1/%2-%3.png").arg(folder).arg(++count, 2, 10, QChar(u'0')).arg(step)});
}

// Any script, control characters and line breaks; now and then 10,000 or more.
QString RandomText(std::mt19937& random) {
  static const char32_t kRanges[][2] = {{0x00, 0x7F},     {0x80, 0xFF},       {0x400, 0x4FF},
                                        {0x4E00, 0x9FFF}, {0xFF00, 0xFFEF},   {0xAC00, 0xD7A3},
                                        {0x600, 0x6FF},   {0x300, 0x36F},     {0x2000, 0x206F},
                                        {0xD800, 0xDFFF}, {0x1F300, 0x1F6FF}, {0x30, 0x5A}};
  const int kind = static_cast<int>(random() % 10);
  const int length = kind == 0 ? 10000 + static_cast<int>(random() % 10000)
                               : static_cast<int>(random() % (kind < 5 ? 24 : 300));
  const auto& range = kRanges[random() % std::size(kRanges)];
  QString text;
  for (int i = 0; i < length; ++i) {
    const auto& each = random() % 4 ? range : kRanges[random() % std::size(kRanges)];
    const char32_t code = each[0] + random() % (each[1] - each[0] + 1);
    text += code > 0xFFFF ? QString::fromUcs4(&code, 1) : QString(QChar(static_cast<ushort>(code)));
  }
  return text;
}

}  // namespace

class TestWindowDesktop : public QObject {
  Q_OBJECT

 private:
  test::WindowDriver driver_;
  UrlSink urls_;

  template <typename T = QWidget>
  T* Find(const char* name) {
    return driver_.Find<T>(QString::fromLatin1(name));
  }

  // After a storm of input the window manager may ignore one activation request, so ask and
  // click into the entry as a user would until the window holds the focus.
  bool ActivateAsAUserWould(QWidget& entry) {
    const QString window = QString::number(driver_.Window().winId());
    const QPoint centre = entry.mapTo(&driver_.Window(), entry.rect().center());
    const auto active = [this] { return driver_.Window().isActiveWindow(); };
    for (int attempt = 0; attempt < 5 && !active(); ++attempt) {
      Run("xdotool", {"windowactivate", window});
      Run("xdotool", {"mousemove", "--window", window, QString::number(centre.x()),
                      QString::number(centre.y()), "click", "1"});
      if (QTest::qWaitFor(active, 2000)) break;
    }
    return active();
  }

  QWidget* ShownPanel() {
    for (const char* name : kPanels)
      if (Find(name)->isVisible()) return Find(name);
    return nullptr;
  }
  void OpenPanels(int jurisdiction) {
    driver_.SelectJurisdiction(jurisdiction);
    QTest::mouseClick(Find("btnUserDefine"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(ShownPanel()));
  }

  // Docked where the main window shows on the screen, and Qt knows where.
  static bool Docked(const QWidget& main, const QWidget& panel, bool left) {
    const QRect outer = OnScreen(main);
    const QRect shown = OnScreen(panel);
    const int expectedLeft = left ? outer.left() - shown.width() : outer.right() + 1;
    return shown.left() == expectedLeft && shown.bottom() == outer.bottom() &&
           panel.geometry() == shown;
  }

  // Drags the main window by its caption bar, as a person does.
  void Drag(const QPoint& by) {
    const QRect outer = OnScreen(driver_.Window());
    const QPoint grip(outer.center().x(), outer.top() + 8);
    const auto at = [](QPoint p) {
      return QStringList{"mousemove", QString::number(p.x()), QString::number(p.y())};
    };
    Run("xdotool", at(grip) + QStringList{"mousedown", "1"});
    for (int step = 1; step <= 8; ++step) {
      Run("xdotool", at(grip + by * step / 8));
      QTest::qWait(30);
    }
    Run("xdotool", QStringList{"mouseup", "1"});
  }

  // The form's own controls, named in it; not the parts of a calendar, nor
  // the panels the main window owns.
  static QList<QWidget*> Controls(const QWidget& form, bool withExit = true) {
    QList<QWidget*> controls;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
      const QString name = widget->objectName();
      if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
          (withExit || name != QLatin1String("btnExit")) && widget->window() == form.window())
        controls << widget;
    }
    return controls;
  }

  // Measured from the widget's own font and text, in the room its style gives.
  static void VerifyFits(const QWidget& widget) {
    const CaptionRoom caption = CaptionRoomOf(widget);
    QVERIFY2(caption.room >= 0, qPrintable(widget.objectName()));
    const int width = QFontMetrics(widget.font()).horizontalAdvance(caption.text);
    QVERIFY2(width <= caption.room, qPrintable(QStringLiteral("%1 \"%2\": %3 > %4")
                                                   .arg(widget.objectName(), caption.text)
                                                   .arg(width)
                                                   .arg(caption.room)));
  }
  // The panels resolve their fonts at their first show.
  void VerifyAllFit(bool withPanels) {
    QList<QWidget*> forms{&driver_.Window()};
    if (withPanels)
      for (const char* name : kPanels) forms << Find(name);
    for (QWidget* form : forms)
      for (QWidget* widget : Controls(*form)) {
        const auto* label = qobject_cast<QLabel*>(widget);
        if ((label && label->pixmap().isNull()) || qobject_cast<QAbstractButton*>(widget) ||
            qobject_cast<QGroupBox*>(widget) || qobject_cast<QComboBox*>(widget))
          VerifyFits(*widget);
      }
  }

 private slots:
  void initTestCase() {
    for (const char* scheme : {"https", "mailto"})  // no browser or mail program
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &urls_, "open");
  }
  void init() {
    driver_.Open(QGuiApplication::primaryScreen()->geometry().width());
    QVERIFY(QTest::qWaitForWindowExposed(&driver_.Window()));
  }
  void cleanup() { driver_.Close(); }

  void windowIsCentredWithItsFrame() {
    QTRY_COMPARE(OnScreen(driver_.Window()).center(),
                 QGuiApplication::primaryScreen()->geometry().center());
    Shoot(QStringLiteral("start"));
  }

  void panelsDockAndFollowADrag_data() {
    QTest::addColumn<int>("jurisdiction");
    for (int index = 0; index < 4; ++index) QTest::newRow(kPanels[index]) << index;
  }
  void panelsDockAndFollowADrag() {
    QFETCH(int, jurisdiction);
    OpenPanels(jurisdiction);
    QWidget& main = driver_.Window();
    QWidget* panel = ShownPanel();
    QTRY_VERIFY(Docked(main, *panel, false));
    Shoot(QStringLiteral("docked-%1").arg(kPanels[jurisdiction]));
    // Near the screen's right edge the panel goes to the left side.
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    Drag({screenWidth - OnScreen(main).right() - panel->width() / 2, -60});
    QTRY_VERIFY(Docked(main, *panel, true));
    Shoot(QStringLiteral("dragged-%1").arg(kPanels[jurisdiction]));
    Drag({-300, 120});
    QTRY_VERIFY(Docked(main, *panel, false));
  }

  void popupsOpenUnderTheirControlsAfterSwitches() {
    OpenPanels(2);
    Find("cbxCnLocal")->setFocus();
    test::WindowDriver::Choose(Find<QComboBox>("cbxCnLocal"), 4);  // fills the county list
    const int switches[] = {3, 2, 0, 2, 1, 3, 0, 2, 3, 2};
    for (const int jurisdiction : switches) {
      driver_.SelectJurisdiction(jurisdiction);
      QWidget* panel = Find(kPanels[jurisdiction]);
      QVERIFY(QTest::qWaitForWindowExposed(panel));
      QTest::qWait(200);  // the window manager's answers to the show
      QTRY_COMPARE(panel->geometry(), OnScreen(*panel));
      QList<QWidget*> controls;
      for (QComboBox* list : panel->findChildren<QComboBox*>()) controls << list;
      for (QDateEdit* picker : panel->findChildren<QDateEdit*>()) controls << picker;
      for (QWidget* control : controls) {
        // Both open on the press, at their arrow.
        QTest::mousePress(control, Qt::LeftButton, {},
                          QPoint(control->width() - 6, control->height() / 2));
        QTRY_VERIFY2(QApplication::activePopupWidget(), qPrintable(control->objectName()));
        QWidget* popup = QApplication::activePopupWidget();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        const QRect under(OnScreen(*panel).topLeft() + control->mapTo(panel, QPoint()),
                          control->size());
        const QRect opened = OnScreen(*popup);
        Shoot(QStringLiteral("popup-%1").arg(control->objectName()));
        QVERIFY2(
            qAbs(opened.left() - under.left()) <= 2 && qAbs(opened.top() - under.bottom()) <= 2,
            qPrintable(QStringLiteral("%1 at %2,%3 under %4,%5")
                           .arg(control->objectName())
                           .arg(opened.left())
                           .arg(opened.top())
                           .arg(under.left())
                           .arg(under.bottom())));
        QTest::keyClick(popup, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
      }
    }
  }

  // At start, after every panel's first show, and after choosing each item of
  // every list (each province's whole county list included).
  void everyCaptionFits() {
    VerifyAllFit(false);
    OpenPanels(0);
    for (int jurisdiction : {1, 2, 3}) driver_.SelectJurisdiction(jurisdiction);
    QTest::keyClicks(Find("edtId"), "a12345678901234567");
    QTest::mouseClick(Find("btnUserDefine"), Qt::LeftButton);
    VerifyAllFit(true);
    Shoot(QStringLiteral("captions"));
    for (const char* name : {"cbxType", "cbxTwLocal", "cbxCnSex"}) {
      auto* list = Find<QComboBox>(name);
      for (int item = 0; item < list->count(); ++item) {
        list->setCurrentIndex(item);
        VerifyFits(*list);
      }
    }
    auto* provinces = Find<QComboBox>("cbxCnLocal");
    auto* counties = Find<QComboBox>("cbxCnSubLocal");
    provinces->setFocus();
    for (int province = 0; province < provinces->count(); ++province) {
      test::WindowDriver::Choose(provinces, province);
      VerifyFits(*provinces);
      for (int county = 0; county < counties->count(); ++county) {
        counties->setCurrentIndex(county);
        VerifyFits(*counties);
      }
    }
  }

  // Random keys, clicks on every control but the exit button, pastes of any
  // text and panel switches: nothing breaks (the sanitizer build aborts on any
  // report), the field holds at most 18 characters, a report is one line, and
  // the window still answers keys typed on the desktop.
  void randomInputLeavesTheWindowWhole() {
    const int seconds = qEnvironmentVariableIsSet("KESMAL_RANDOM_SECONDS")
                            ? qEnvironmentVariableIntValue("KESMAL_RANDOM_SECONDS")
                            : 60;
    const std::uint32_t seed = qEnvironmentVariableIsSet("KESMAL_RANDOM_SEED")
                                   ? qEnvironmentVariable("KESMAL_RANDOM_SEED").toUInt()
                                   : std::random_device()();
    qInfo("seed %u", seed);
    std::mt19937 random(seed);
    auto* entry = Find<QLineEdit>("edtId");
    auto* report = Find<QPlainTextEdit>("meoShow");
    const QString startText = report->toPlainText();
    const QList<QWidget*> controls = Controls(driver_.Window(), false);
    const int keys[] = {Qt::Key_A,       Qt::Key_Z,         Qt::Key_0,      Qt::Key_9,
                        Qt::Key_Period,  Qt::Key_Space,     Qt::Key_Return, Qt::Key_Tab,
                        Qt::Key_Backtab, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left,
                        Qt::Key_Down,    Qt::Key_Up,        Qt::Key_Home,   Qt::Key_End,
                        Qt::Key_Escape,  Qt::Key_V,         Qt::Key_C,      Qt::Key_X};
    const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier,
                                               Qt::ControlModifier, Qt::AltModifier};
    QElapsedTimer clock;
    clock.start();
    for (int action = 0; clock.elapsed() < seconds * 1000; ++action) {
      // Keys to an open list or calendar go to the pop-up itself: its month
      // button would open a menu that waits for a real click.
      QWidget* focus = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                         : QApplication::focusWidget();
      if (!focus) focus = &driver_.Window();
      // Space or Return on the exit button, reached by Tab, closes the window
      // as it should; keys go to the entry while the button has the focus.
      if (focus->objectName() == QLatin1String("btnExit")) focus = entry;
      switch (random() % 6) {
        case 0:
          QTest::keyClick(focus, static_cast<Qt::Key>(keys[random() % std::size(keys)]),
                          modifiers[random() % std::size(modifiers)]);
          break;
        case 1: {
          QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, RandomText(random).left(3));
          QApplication::sendEvent(focus, &press);
          break;
        }
        case 2:
        case 3: {
          QList<QWidget*> shown = controls;
          if (QWidget* panel = ShownPanel()) shown += Controls(*panel, false);
          QWidget* control = shown[static_cast<int>(random() % shown.size())];
          if (control->isVisible())
            QTest::mouseClick(control, Qt::LeftButton, {},
                              QPoint(static_cast<int>(random() % control->width()),
                                     static_cast<int>(random() % control->height())));
          break;
        }
        case 4:
          if (QApplication::activePopupWidget()) break;
          QGuiApplication::clipboard()->setText(RandomText(random));
          entry->setFocus();
          QTest::keyClick(entry, Qt::Key_V, Qt::ControlModifier);
          break;
        default:
          if (QApplication::activePopupWidget()) break;
          if (random() % 3 == 0)
            QTest::mouseClick(Find("btnUserDefine"), Qt::LeftButton);
          else
            driver_.SelectJurisdiction(static_cast<int>(random() % 4));
      }
      QCoreApplication::processEvents();
      QVERIFY2(entry->text().size() <= 18, qPrintable(QString::number(action)));
      QVERIFY2(report->toPlainText() == startText || report->document()->blockCount() == 1,
               qPrintable(report->toPlainText().left(200)));
      QVERIFY(!QApplication::activeModalWidget());
    }
    Shoot(QStringLiteral("random"));
    while (QWidget* popup = QApplication::activePopupWidget()) {
      QTest::keyClick(popup, Qt::Key_Escape);
      QCoreApplication::processEvents();
    }
    QTest::mouseClick(Find("btnClean"), Qt::LeftButton);
    QVERIFY(ActivateAsAUserWould(*entry));
    entry->setFocus();
    Run("xdotool", {"type", "--delay", "20", "a1b2"});
    QTRY_COMPARE(entry->text(), QStringLiteral("A1B2"));
  }
};

}  // namespace kesmal

int main(int argc, char** argv) {
  kesmal::Application app(argc, argv);
  kesmal::TestWindowDesktop test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_window_desktop.moc"

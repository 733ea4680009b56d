// The four generation settings panels, driven through the main window.
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>

#include "rules/date_phrase.h"
#include "rules/random_source.h"
#include "ui/application.h"
#include "window_driver.h"

namespace kesmal {

class TestPanels;
using SetUp = std::function<void(TestPanels&)>;
using Carries = std::function<bool(const QString& number, const QString& report)>;

}  // namespace kesmal

Q_DECLARE_METATYPE(kesmal::SetUp)
Q_DECLARE_METATYPE(kesmal::Carries)

namespace kesmal {
namespace {

const char* const kPanels[] = {"frmTaiwan", "frmHongKong", "frmChina", "frmKorea"};

const QDate kPickerStart(2003, 12, 11);

}  // namespace

class TestPanels : public QObject {
  Q_OBJECT

 private:
  test::WindowDriver driver_;

  template <typename T = QWidget>
  T* Find(const char* name) {
    return driver_.Find<T>(QString::fromLatin1(name));
  }
  QPushButton* Toggle() { return Find<QPushButton>("btnUserDefine"); }

  QStringList ShownPanels() {
    QStringList shown;
    for (const char* name : kPanels)
      if (Find(name)->isVisible()) shown << name;
    return shown;
  }

  void VerifyDocked(const char* name) {
    const QRect main = driver_.Window().frameGeometry();
    const QRect panel = Find(name)->frameGeometry();
    QCOMPARE(panel.left(), main.right() + 1);
    QCOMPARE(panel.bottom(), main.bottom());
  }

  // What a generation shows: the number and its report.
  QPair<QString, QString> Generate(std::uint32_t seed) {
    SeedRandom(seed);
    QTest::mouseClick(Find<QPushButton>("btnMake"), Qt::LeftButton);
    return {Find<QLineEdit>("edtId")->text(), Find<QPlainTextEdit>("meoShow")->toPlainText()};
  }

 private slots:
  void initTestCase() { PinToday(CivilDate{2024, 6, 1}); }
  void cleanupTestCase() { PinToday(std::nullopt); }
  void init() { driver_.Open(); }
  void cleanup() { driver_.Close(); }

  void panelsStartHiddenAndEmpty() {
    QVERIFY(ShownPanels().isEmpty());
    QCOMPARE(Toggle()->text(), QStringLiteral("+"));
    QCOMPARE(Find<QComboBox>("cbxTwLocal")->count(), 0);
    QCOMPARE(Find<QComboBox>("cbxCnLocal")->count(), 0);
    QCOMPARE(Find<QComboBox>("cbxCnSubLocal")->count(), 0);
    QCOMPARE(Find<QDateEdit>("dtpCnDate")->date(), kPickerStart);
    QCOMPARE(Find<QDateEdit>("dtpKrDate")->date(), kPickerStart);
    QVERIFY(Find<QRadioButton>("rbnHk8")->isChecked());
    for (const char* name : kPanels) {
      QVERIFY(Find(name)->windowFlags().testFlag(Qt::FramelessWindowHint));
      QCOMPARE(Find(name)->windowType(), Qt::Tool);
    }
  }

  void openShowsOnlyTheSelectedPanelDocked_data() {
    QTest::addColumn<int>("jurisdiction");
    for (int index = 0; index < 4; ++index) QTest::newRow(kPanels[index]) << index;
  }
  void openShowsOnlyTheSelectedPanelDocked() {
    QFETCH(int, jurisdiction);
    driver_.SelectJurisdiction(jurisdiction);
    QTest::mouseClick(Toggle(), Qt::LeftButton);
    QCOMPARE(ShownPanels(), QStringList{kPanels[jurisdiction]});
    VerifyDocked(kPanels[jurisdiction]);
    QCOMPARE(QApplication::focusWidget(), Find("btnMake"));
    // What the panel leaves until it first shows must be done by then: its flag
    // drawn, and every font it names sized in pixels.
    QWidget* panel = Find(kPanels[jurisdiction]);
    int flags = 0;
    for (const QLabel* label : panel->findChildren<QLabel*>()) {
      if (label->property("flag").isValid()) {
        ++flags;
        QVERIFY(!label->pixmap().isNull());
      }
    }
    QCOMPARE(flags, 1);
    for (const QWidget* widget : panel->findChildren<QWidget*>())
      if (widget->testAttribute(Qt::WA_SetFont))
        QVERIFY2(widget->font().pixelSize() > 0, qPrintable(widget->objectName()));
  }

  void panelFollowsTheMainWindow() {
    driver_.SelectJurisdiction(3);
    QTest::mouseClick(Toggle(), Qt::LeftButton);
    driver_.Window().move(driver_.Window().pos() + QPoint(37, 23));
    QTRY_COMPARE(Find("frmKorea")->frameGeometry().left(),
                 driver_.Window().frameGeometry().right() + 1);
    VerifyDocked("frmKorea");
  }

  void panelGoesLeftNearTheScreensRightEdge() {
    driver_.Window().move(test::WindowDriver::kScreenWidth - driver_.Window().width() - 100, 50);
    driver_.SelectJurisdiction(0);
    QTest::mouseClick(Toggle(), Qt::LeftButton);
    QCOMPARE(Find("frmTaiwan")->frameGeometry().right() + 1,
             driver_.Window().frameGeometry().left());
  }

  void switchingJurisdiction_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("while open swaps the panel") << true << QStringList{"frmChina"};
    QTest::newRow("while closed shows nothing") << false << QStringList{};
  }
  void switchingJurisdiction() {
    QFETCH(bool, open);
    QFETCH(QStringList, shown);
    driver_.SelectJurisdiction(0);
    if (open) {
      QTest::mouseClick(Toggle(), Qt::LeftButton);
    } else {
      QTest::mouseClick(Toggle(), Qt::LeftButton);
      QTest::mouseClick(Toggle(), Qt::LeftButton);
    }
    driver_.SelectJurisdiction(2);
    QCOMPARE(ShownPanels(), shown);
    if (open) VerifyDocked("frmChina");
    QCOMPARE(QApplication::focusWidget(), Find("btnMake"));
  }

  void toggleCaptions() {
    driver_.SelectJurisdiction(1);
    QStringList captions;
    for (int click = 0; click < 3; ++click) {
      QTest::mouseClick(Toggle(), Qt::LeftButton);
      captions << Toggle()->text();
    }
    QCOMPARE(captions, (QStringList{"《", "》", "《"}));
  }

  void listsAreFilledOnce() {
    for (int index : {0, 2, 3, 2}) driver_.SelectJurisdiction(index);
    QCOMPARE(Find<QComboBox>("cbxTwLocal")->count(), 26);
    QCOMPARE(Find<QComboBox>("cbxTwLocal")->currentIndex(), -1);
    QCOMPARE(Find<QComboBox>("cbxTwLocal")->itemText(0), QStringLiteral("台北市"));
    QCOMPARE(Find<QComboBox>("cbxCnLocal")->count(), 31);
    QCOMPARE(Find<QComboBox>("cbxCnLocal")->currentIndex(), -1);
  }

  // Each picker moves back by its own draw, the China picker's first.
  void defaultDatesAreTwoDraws() {
    SeedRandom(99);
    const qint64 chinaSteps = RandomDraw() % 16 + 15;
    const qint64 koreaSteps = RandomDraw() % 16 + 15;
    SeedRandom(99);
    driver_.SelectJurisdiction(0);
    QCOMPARE(Find<QDateEdit>("dtpCnDate")->date(), kPickerStart.addDays(-365 * chinaSteps));
    QCOMPARE(Find<QDateEdit>("dtpKrDate")->date(), kPickerStart.addDays(-365 * koreaSteps));
    for (std::uint32_t seed = 0; seed < 40; ++seed) {
      driver_.Close();
      driver_.Open();
      SeedRandom(seed);
      driver_.SelectJurisdiction(0);
      for (const char* picker : {"dtpCnDate", "dtpKrDate"}) {
        const QDate date = Find<QDateEdit>(picker)->date();
        QVERIFY(date >= QDate(1973, 12, 18) && date <= QDate(1988, 12, 14));
        QCOMPARE(date.daysTo(kPickerStart) % 365, 0);
      }
    }
  }

  void choosingAProvinceFillsTheLowerList() {
    driver_.SelectJurisdiction(2);
    auto* provinces = Find<QComboBox>("cbxCnLocal");
    auto* counties = Find<QComboBox>("cbxCnSubLocal");
    QCOMPARE(counties->count(), 0);
    test::WindowDriver::Choose(provinces, 0);
    QCOMPARE(provinces->currentText(), QStringLiteral("北京市"));
    QCOMPARE(counties->count(), 21);
    QCOMPARE(counties->currentIndex(), 0);
    QCOMPARE(counties->findText(QStringLiteral("北京市")), -1);
  }

  // Every number made while the panels are open carries the settings; with
  // the panels closed they have no effect.
  void generationCarriesTheSettings_data() {
    QTest::addColumn<int>("jurisdiction");
    QTest::addColumn<SetUp>("setUp");
    QTest::addColumn<Carries>("carries");

    QTest::newRow("Taiwan 嘉义市, female") << 0 << SetUp([](TestPanels& t) {
      auto* regions = t.Find<QComboBox>("cbxTwLocal");
      regions->setCurrentIndex(regions->findText(QStringLiteral("嘉义市")));
      QTest::mouseClick(t.Find("rbnTwGirl"), Qt::LeftButton);
    }) << Carries([](const QString& number, const QString& report) {
      return number.startsWith(u'I') && report.contains(QStringLiteral("“嘉义市”的“女性”"));
    });
    QTest::newRow("Hong Kong nine characters")
        << 1 << SetUp([](TestPanels& t) { QTest::mouseClick(t.Find("rbnHk9"), Qt::LeftButton); })
        << Carries([](const QString& number, const QString&) { return number.size() == 9; });
    QTest::newRow("China province, county, date and sex") << 2 << SetUp([](TestPanels& t) {
      test::WindowDriver::Choose(t.Find<QComboBox>("cbxCnLocal"), 0);
      test::WindowDriver::Choose(t.Find<QComboBox>("cbxCnSubLocal"), 2);
      t.Find<QDateEdit>("dtpCnDate")->setDate(QDate(1980, 5, 3));
      t.Find<QComboBox>("cbxCnSex")->setCurrentIndex(1);
    }) << Carries([](const QString& number, const QString& report) {
      return number.mid(6, 8) == QLatin1String("19800503") &&
             report.contains(QStringLiteral("“西元 1980 年 5 月 3 日”")) &&
             report.contains(QStringLiteral("“北京市")) && report.contains(u"“女性”");
    });
    QTest::newRow("Korea date and female") << 3 << SetUp([](TestPanels& t) {
      t.Find<QDateEdit>("dtpKrDate")->setDate(QDate(1980, 5, 3));
      QTest::mouseClick(t.Find("rbnKrGirl"), Qt::LeftButton);
    }) << Carries([](const QString& number, const QString& report) {
      return number.startsWith(QLatin1String("8005032")) &&
             report.contains(QStringLiteral("“西元 1980 年 5 月 3 日”")) &&
             report.contains(u"“女性”");
    });
  }
  void generationCarriesTheSettings() {
    QFETCH(int, jurisdiction);
    QFETCH(SetUp, setUp);
    QFETCH(Carries, carries);
    driver_.SelectJurisdiction(jurisdiction);
    QTest::mouseClick(Toggle(), Qt::LeftButton);
    setUp(*this);
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
      const auto [number, report] = Generate(seed);
      QVERIFY2(carries(number, report), qPrintable(number + u' ' + report));
    }
    QTest::mouseClick(Toggle(), Qt::LeftButton);  // closed: the controls keep their values
    int carried = 0;
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
      const auto [number, report] = Generate(seed);
      carried += carries(number, report) ? 1 : 0;
    }
    QVERIFY(carried < 30);
  }
};

}  // namespace kesmal

int main(int argc, char** argv) {
  kesmal::Application app(argc, argv);
  kesmal::TestPanels test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_panels.moc"

// Hostile text through the main window: whatever is pasted or dropped into
// the entry field, the program answers without crashing or hanging, the field
// holds at most 18 characters, and the report stays one line.
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "ui/application.h"
#include "window_driver.h"

namespace kesmal {

class TestQelomainInput : public QObject {
  Q_OBJECT

 private:
  test::WindowDriver driver_;

  template <typename T>
  T* Find(const char* name) {
    return driver_.Find<T>(QString::fromLatin1(name));
  }
  QLineEdit* Entry() { return Find<QLineEdit>("edtId"); }
  QPlainTextEdit* Report() { return Find<QPlainTextEdit>("meoShow"); }

  static bool HasLineBreak(const QString& text) {
    for (const QChar c : text)
      if (c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x85) ||
          c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
        return true;
    return false;
  }

  void RequireOneLineReport() {
    const QString report = Report()->toPlainText();
    QVERIFY2(!HasLineBreak(report), qPrintable(report));
    QCOMPARE(Report()->document()->blockCount(), 1);
  }

 private slots:
  void init() { driver_.Open(); }
  void cleanup() { driver_.Close(); }

  void hostileText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("100,000 letters and digits") << QString(50000, u'a') + QString(50000, u'7');
    QTest::newRow("100,000 Chinese characters") << QString(100000, QChar(0x4E2D));
    QTest::newRow("100,000 emoji") << QString::fromUtf8("😀").repeated(100000);
    QTest::newRow("emoji split at the 18th unit") << QString(17, u'A') + QString::fromUtf8("😀");
    QTest::newRow("Korean and Thai") << QString::fromUtf8("한국어ภาษาไทย");
    QTest::newRow("combining marks") << QString::fromUtf8("A1234567e\u0301\u0301\u0301");
    QTest::newRow("control characters") << QString::fromUtf8("A1\x01\x02\x1b\x7f\t3456789");
    QTest::newRow("NUL") << QString(QChar(0)) + QStringLiteral("A123456789");
    QTest::newRow("line feed") << QStringLiteral("A12345\n6789");
    QTest::newRow("carriage return and line feed") << QStringLiteral("A123\r\n456789");
    QTest::newRow("lone carriage return") << QStringLiteral("\rA123456789");
    QTest::newRow("vertical tab and form feed") << QStringLiteral("A1\v23\f456789");
    QTest::newRow("next line") << QString::fromUtf8("A123\u0085456789");
    QTest::newRow("line and paragraph separators") << QString::fromUtf8("A1\u202823\u20294567");
    QTest::newRow("Hebrew") << QString::fromUtf8("שלום עולם 123");
    QTest::newRow("Arabic with digits") << QString::fromUtf8("مرحبا ١٢٣٤٥٦٧٨٩");
    QTest::newRow("right-to-left override") << QString::fromUtf8("\u202EA123456789");
    QTest::newRow("bidirectional marks and isolates")
        << QString::fromUtf8("\u200FA1\u2067234\u2069567\u200E89");
    QTest::newRow("zero-width characters") << QString::fromUtf8("A1\u200B2\u200D3\uFEFF456789");
    QTest::newRow("lone surrogates")
        << QString(QChar(0xD800)) + QStringLiteral("A12") + QString(QChar(0xDC00));
    QTest::newRow("private use and noncharacters") << QString::fromUtf8("\uE000\uFFFE\uFFFFA1");
  }

  // Pasted with Ctrl+V, then checked with Enter and cut with the button.
  void hostileText() {
    QFETCH(QString, text);
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(Entry(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY2(Entry()->text().size() <= 18, qPrintable(QString::number(Entry()->text().size())));
    // An empty field (a text that began with a line break) leaves the report
    // area as it was.
    const bool filled = !Entry()->text().isEmpty();
    QTest::keyClick(Entry(), Qt::Key_Return);
    if (filled) RequireOneLineReport();
    QTest::mouseClick(Find<QPushButton>("btnCut"), Qt::LeftButton);
    if (filled) RequireOneLineReport();
    QVERIFY(Entry()->text().isEmpty());
  }

  // As in a single-line edit of the desktop: a list of numbers pastes its first.
  void pasteKeepsTheFirstLine_data() {
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("field");
    QTest::newRow("LF") << "a123456789\nB123456789"
                        << "A123456789";
    QTest::newRow("CRLF") << "A123456789\r\n"
                          << "A123456789";
    QTest::newRow("paragraph separator")
        << QString::fromUtf8("A1234563\u2029AB9876543") << "A1234563";
    QTest::newRow("line break after the 18th character") << "11010519491231002X99\nA"
                                                         << "11010519491231002X";
  }
  void pasteKeepsTheFirstLine() {
    QFETCH(QString, clipboard);
    QFETCH(QString, field);
    QGuiApplication::clipboard()->setText(clipboard);
    QTest::keyClick(Entry(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Entry()->text(), field);
    QCOMPARE(Entry()->cursorPosition(), field.size());
  }

  void hostileTextDropped_data() { hostileText_data(); }

  // Dropped on the field, then checked with the button.
  void hostileTextDropped() {
    QFETCH(QString, text);
    QMimeData data;
    data.setText(text);
    const QPoint at = Entry()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Entry(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Entry(), &drop);
    QVERIFY2(Entry()->text().size() <= 18, qPrintable(QString::number(Entry()->text().size())));
    QTest::mouseClick(Find<QPushButton>("btnCheck"), Qt::LeftButton);
    if (!Entry()->text().isEmpty()) RequireOneLineReport();
  }
};

}  // namespace kesmal

int main(int argc, char** argv) {
  kesmal::Application app(argc, argv);
  kesmal::TestQelomainInput test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_qelomain_input.moc"

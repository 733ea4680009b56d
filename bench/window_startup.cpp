// Start-up of the main window, or of a bare Qt window of the same size: shows
// it, and at its first paint prints the monotonic clock in nanoseconds, the
// window's width and height, and quits. bench/window-startup reads the clock
// before it starts the process, so the difference is the time from process
// start to the first painted window.
//   kesmal-bench-window            the program's own start-up, as ui/main.cpp;
//                                  it quits once the work left for after the
//                                  first paint is done, so that the peak memory
//                                  holds it
//   kesmal-bench-window --to-first-paint
//                                  the same, ending at the first paint, for the
//                                  instructions it takes under callgrind
//   kesmal-bench-window --captions prints, as rich text, every caption of the
//                                  main window in the font it is drawn in
//   kesmal-bench-bare-window W H   a plain QWidget of W x H
//   kesmal-bench-bare-window W H --chinese-label
//                                  the same with one label of Chinese text
//   kesmal-bench-bare-window W H --label FILE
//                                  the same with one label holding FILE's rich
//                                  text: the main window's captions
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

#ifdef KESMAL_BENCH_MAIN_WINDOW
#include "ui/Qelomain.h"
#include "ui/application.h"
#include "ui/form_fonts.h"
#endif

namespace {

class FirstPaint : public QObject {
 public:
  // finished: whether the window's work after its first paint is done; none
  // ends the process at the first paint, before timers already due run.
  FirstPaint(QWidget* window, std::function<bool()> finished)
      : window_(window), finished_(std::move(finished)) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // After this paint pass, which paints the children and flushes.
      QTimer::singleShot(0, [this] {
        // steady_clock is CLOCK_MONOTONIC, the clock the timing script reads.
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%lld %d %d\n", static_cast<long long>(std::chrono::nanoseconds(now).count()),
                    window_->width(), window_->height());
        std::fflush(stdout);
        QuitWhenFinished();
      });
    }
    return false;
  }

 private:
  void QuitWhenFinished() {
    if (!finished_) std::_Exit(0);
    if (finished_())
      QCoreApplication::quit();
    else
      QTimer::singleShot(0, [this] { QuitWhenFinished(); });
  }

  QWidget* window_;
  std::function<bool()> finished_;
  bool seen_ = false;
};

#ifdef KESMAL_BENCH_MAIN_WINDOW
QString FamiliesOf(const QFont& font) {
  QStringList families;
  for (const QString& family :
       font.families().isEmpty() ? QStringList{font.family()} : font.families()) {
    const QStringList real = QFont::substitutes(family);
    for (const QString& name : real.isEmpty() ? QStringList{family} : real)
      families << QLatin1Char('\'') + name + QLatin1Char('\'');
  }
  return families.join(QLatin1Char(','));
}

// One line of rich text per caption, in the caption's font.
int PrintCaptions(const QWidget& window) {
  QString html;
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    const QString text = kesmal::CaptionRoomOf(*widget).text;
    if (text.isEmpty()) continue;
    const QFont font = widget->font();
    html += QStringLiteral("<div style=\"font-family:%1;font-size:%2px;font-weight:%3\">%4</div>")
                .arg(FamiliesOf(font))
                .arg(QFontInfo(font).pixelSize())
                .arg(font.bold() ? 700 : 400)
                .arg(text.toHtmlEscaped());
  }
  std::fputs(html.toUtf8().constData(), stdout);
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef KESMAL_BENCH_MAIN_WINDOW
  kesmal::PreferX11OnWayland();
  kesmal::Application app(argc, argv);
  kesmal::TfrmMain window(kesmal::Application::primaryScreen()->geometry().width());
  if (argc == 2 && QByteArray(argv[1]) == "--captions") return PrintCaptions(window);
  const bool toFirstPaint = argc == 2 && QByteArray(argv[1]) == "--to-first-paint";
  std::function<bool()> finished;
  if (!toFirstPaint)
    finished = [&window] { return window.findChild<QWidget*>("frmKorea") != nullptr; };
  FirstPaint watch(&window, finished);
#else
  QApplication app(argc, argv);
  const bool chinese = argc == 4 && QByteArray(argv[3]) == "--chinese-label";
  const bool captions = argc == 5 && QByteArray(argv[3]) == "--label";
  if (argc != 3 && !chinese && !captions) {
    std::fprintf(stderr,
                 "usage: kesmal-bench-bare-window WIDTH HEIGHT [--chinese-label | --label FILE]\n");
    return 2;
  }
  QWidget window;
  window.setFixedSize(std::atoi(argv[1]), std::atoi(argv[2]));
  if (chinese) (new QLabel(QStringLiteral("检查字号"), &window))->move(10, 10);
  if (captions) {
    QFile file(QString::fromLocal8Bit(argv[4]));
    if (!file.open(QIODevice::ReadOnly)) return 2;
    (new QLabel(QString::fromUtf8(file.readAll()), &window))->move(10, 10);
  }
  FirstPaint watch(&window, nullptr);
#endif
  window.show();
  return QApplication::exec();
}

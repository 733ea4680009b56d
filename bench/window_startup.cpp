// Start-up of the main window, or of a bare Qt window of the same size: shows
// it, and at its first paint prints the monotonic clock in nanoseconds, the
// window's width and height, and quits. bench/window-startup reads the clock
// before it starts the process, so the difference is the time from process
// start to the first painted window.
//   kesmal-bench-window            the program's own start-up, as ui/main.cpp
//   kesmal-bench-bare-window W H   a plain QWidget of W x H
//   kesmal-bench-bare-window W H --chinese-label
//                                  the same with one label of Chinese text, for
//                                  what showing Chinese alone costs
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <memory>

#ifdef KESMAL_BENCH_MAIN_WINDOW
#include "ui/Qelomain.h"
#include "ui/application.h"
#endif

namespace {

class FirstPaint : public QObject {
 public:
  explicit FirstPaint(QWidget* window) : window_(window) { window->installEventFilter(this); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // After this paint pass, which paints the children and flushes.
      QTimer::singleShot(0, [this] {
        // steady_clock is CLOCK_MONOTONIC, the clock the timing script reads.
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%lld %d %d\n",
                    static_cast<long long>(std::chrono::nanoseconds(now).count()),
                    window_->width(), window_->height());
        std::fflush(stdout);
        QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  QWidget* window_;
  bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
#ifdef KESMAL_BENCH_MAIN_WINDOW
  kesmal::PreferX11OnWayland();
  kesmal::Application app(argc, argv);
  kesmal::TfrmMain window(kesmal::Application::primaryScreen()->geometry().width());
#else
  QApplication app(argc, argv);
  if (argc != 3 && !(argc == 4 && QByteArray(argv[3]) == "--chinese-label")) {
    std::fprintf(stderr, "usage: kesmal-bench-bare-window WIDTH HEIGHT [--chinese-label]\n");
    return 2;
  }
  QWidget window;
  window.setFixedSize(std::atoi(argv[1]), std::atoi(argv[2]));
  if (argc == 4) (new QLabel(QStringLiteral("检查字号"), &window))->move(10, 10);
#endif
  FirstPaint watch(&window);
  window.show();
  return QApplication::exec();
}

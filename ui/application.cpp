#include "ui/application.h"

#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <exception>

#include "ui/form_fonts.h"
#include "ui/form_style.h"

namespace kesmal {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("kesmal"));
  setApplicationVersion(QStringLiteral("3.1"));
  setApplicationDisplayName(QStringLiteral("Kesmal v3.1"));
  InstallFontSubstitutes();
  setStyle(new FormStyle);
  setWindowIcon(KesmalIcon());
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowException(QString::fromUtf8(error.what()));
  } catch (...) {
    ShowException(QStringLiteral("Unknown exception."));
  }
  return false;
}

void ShowException(const QString& message) {
  QMessageBox::critical(QApplication::activeWindow(), QGuiApplication::applicationDisplayName(),
                        message);
}

QIcon KesmalIcon() {
  QSvgRenderer renderer(QStringLiteral(":/kesmal/kesmal.svg"));
  QIcon icon;
  for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

void PreferX11OnWayland() {
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return;
  if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return;
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return;  // no XWayland to ask for
  qputenv("QT_QPA_PLATFORM", "xcb");
}

}  // namespace kesmal

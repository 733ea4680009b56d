#include "ui/application.h"

#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QResource>
#include <exception>

#include "ui/form_fonts.h"
#include "ui/form_style.h"
#include "ui/icon_sides.h"

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
  const QByteArray pixels =
      QResource(QStringLiteral(":/kesmal/kesmal-icon.argb")).uncompressedData();
  QIcon icon;
  qsizetype offset = 0;
  for (const int side : kIconSides) {
    const qsizetype bytes = qsizetype{side} * side * 4;
    if (offset + bytes > pixels.size()) break;
    const auto* bits = reinterpret_cast<const uchar*>(pixels.constData() + offset);
    // A copy: the pixmap would otherwise keep pointing into the resource's bytes.
    const QImage image(bits, side, side, QImage::Format_ARGB32_Premultiplied);
    icon.addPixmap(QPixmap::fromImage(image.copy()));
    offset += bytes;
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

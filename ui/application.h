#pragma once
// The application object: the title, the icon and the fonts every window
// shares, and the net under every event handler. An exception escaping a
// handler is shown in the standard error box and the program goes on; it never
// unwinds through the event loop.
#include <QApplication>
#include <QIcon>

namespace kesmal {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

// The standard error box, owned by the active window.
void ShowException(const QString& message);

// The program's icon at the sizes desktops ask for, drawn from its SVG when
// the program was built.
QIcon KesmalIcon();

// Where the desktop session keeps programs from placing their own windows
// (Wayland), ask for the X11 backend, unless the user chose a platform.
// Call before the application object exists.
void PreferX11OnWayland();

}  // namespace kesmal

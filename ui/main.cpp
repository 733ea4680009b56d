#include <QScreen>
#include <exception>

#include "ui/Qelomain.h"
#include "ui/application.h"

int main(int argc, char** argv) {
  kesmal::PreferX11OnWayland();
  kesmal::Application app(argc, argv);
  try {
    const int screenWidth = kesmal::Application::primaryScreen()->geometry().width();
    kesmal::TfrmMain frmMain(screenWidth);
    frmMain.show();
    return kesmal::Application::exec();
  } catch (const std::exception& error) {
    kesmal::ShowException(QString::fromUtf8(error.what()));
    return 0;
  }
}

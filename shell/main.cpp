// Program entry of Tevra.
#include "shell/abort_presenter.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tevra::InstallGuiAbortPresenter();
  QApplication::setApplicationName(QStringLiteral("Tevra"));
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Tevra"));
  window.show();
  return QApplication::exec();
}

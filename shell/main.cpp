// Program entry of Tevra.
#include "shell/abort_presenter.h"
#include "shell/main_window.h"
#include "shell/startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tevra::InstallGuiAbortPresenter();
  const std::vector<std::string> failures =
      tevra::StartVariables(tevra::PlatformFolders(), QCoreApplication::applicationFilePath().toStdString());
  QApplication::setApplicationName(QStringLiteral("Tevra"));
  for (const std::string& failure : failures) {
    tevra::ShowMessageBox("Tevra", failure);
  }
  tevra::TForm_Main window;
  // The camera and exposure windows are created here, hidden, once they exist; they register
  // with the main window through its hooks and the exposure choices source.
  window.show();
  return QApplication::exec();
}

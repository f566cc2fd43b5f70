// Program entry of Tevra.
#include "shell/abort_presenter.h"
#include "shell/program_windows.h"
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
  const tevra::ProgramWindows windows = tevra::CreateProgramWindows();
  windows.main->show();
  return QApplication::exec();
}

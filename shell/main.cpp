// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry of Tevra.
#include "camera/camera_choice.h"
#include "run/moon_scene.h"
#include "shell/abort_presenter.h"
#include "shell/program_windows.h"
#include "shell/startup.h"

#include <QApplication>
#include <QIcon>

#include <iostream>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tevra::InstallGuiAbortPresenter();

  // The camera the camera window connects to: the environment, then --camera, --camera-port and
  // --camera-model.
  tevra::CameraChoice choice = tevra::CameraChoiceFromEnvironment();
  std::vector<std::string> args;
  for (const QString& arg : QCoreApplication::arguments().mid(1)) {
    args.push_back(arg.toStdString());
  }
  std::string problem = tevra::TakeCameraOptions(args, choice);
  if (problem.empty() && !args.empty()) {
    problem = "unknown argument \"" + args.front() + "\"";
  }
  if (!problem.empty()) {
    std::cerr << "tevra: " << problem << "\nusage: tevra [--camera gphoto2|simulator] [--camera-port PORT] "
              << "[--camera-model MODEL]\n";
    tevra::ShowMessageBox("Tevra", problem);
    return 2;
  }

  const std::vector<std::string> failures =
      tevra::StartVariables(tevra::PlatformFolders(), QCoreApplication::applicationFilePath().toStdString());
  QApplication::setApplicationName(QStringLiteral("Tevra"));
  // The desktop entry and icon the installed program comes with (drawn where Qt can read SVG).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tevra.Tevra"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.tevra.Tevra")));
  for (const std::string& failure : failures) {
    tevra::ShowMessageBox("Tevra", failure);
  }
  // The simulated body photographs the selected eclipse as the clock reads it, Rehearsal Time
  // included.
  choice.moonScene = tevra::MoonSceneNow(&tevra::CurrentMoonScene);
  tevra::CameraWindowHost cameraHost;
  cameraHost.createCamera = [choice](std::string& error) { return tevra::CreateCameraSdk(choice, error); };
  const tevra::ProgramWindows windows = tevra::CreateProgramWindows({}, {}, std::move(cameraHost));
  windows.main->show();
  return QApplication::exec();
}

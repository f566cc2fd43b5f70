// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/startup.h"

#include "shell/version_info.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/time_zones.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QStandardPaths>

#include <clocale>

namespace tevra {
namespace {

std::string Native(const QString& folder) { return QDir::toNativeSeparators(folder).toStdString(); }

}  // namespace

StartupFolders PlatformFolders() {
  StartupFolders folders;
  folders.program = Native(QCoreApplication::applicationDirPath());
  folders.temp = Native(QDir::tempPath());
  folders.documents = Native(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  folders.settings = Native(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  return folders;
}

std::vector<std::string> StartVariables(const StartupFolders& folders, const std::string& executablePath) {
  // Numbers are written and read with "." whatever the user's regional settings say.
  static_cast<void>(std::setlocale(LC_NUMERIC, "C"));
  QLocale::setDefault(QLocale::c());

  std::vector<std::string> failures;
  TempFolder = WithTrailingSeparator(folders.temp);
  ProgramFolder = WithTrailingSeparator(folders.program);
  DocumentsFolder = WithTrailingSeparator(WithTrailingSeparator(folders.documents) + "Tevra");
  SettingsFolder = WithTrailingSeparator(WithTrailingSeparator(folders.settings) + "Tevra");
  for (const std::string* folder : {&DocumentsFolder, &SettingsFolder}) {
    if (std::string failure = CreateFolder(*folder); !failure.empty()) {
      failures.push_back(std::move(failure));
    }
  }
  CameraName.clear();
  VersionRecord = ReadVersionInfo(executablePath);
  ProgramVersion = VersionRecord.FileVersion.substr(0, 16);
  ClearRunState();
  static_cast<void>(EclipseCatalogue());
  static_cast<void>(TimeZoneTable());
  return failures;
}

}  // namespace tevra

// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/abort_presenter.h"

#include "timing/divprocs.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace tevra {

namespace {

void ShowBox(QMessageBox::Icon icon, const std::string& caption, const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox box(icon, QString::fromStdString(caption), shown, QMessageBox::Ok);
  box.exec();
}

void ShowAbortMessageBox(const std::string& caption, const std::string& text) {
  ShowBox(QMessageBox::Critical, caption, text);
}

}  // namespace

void ShowMessageBox(const std::string& caption, const std::string& text) {
  ShowBox(QMessageBox::Information, caption, text);
}

void InstallGuiAbortPresenter() { SetAbortPresenter(&ShowAbortMessageBox); }

}  // namespace tevra

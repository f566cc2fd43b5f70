#include "shell/abort_presenter.h"

#include "timing/divprocs.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace tevra {
namespace {

void ShowAbortMessageBox(const std::string& caption, const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox::critical(nullptr, QString::fromStdString(caption), shown, QMessageBox::Ok);
}

}  // namespace

void InstallGuiAbortPresenter() { SetAbortPresenter(&ShowAbortMessageBox); }

}  // namespace tevra

// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/site_dialog.h"

#include "shell/night_look.h"
#include "timing/text_util.h"
#include "timing/time_text.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tevra {

std::optional<ObservingSite> SiteOfTexts(const std::string& name, const std::string& latitude,
                                         const std::string& longitude, const std::string& height,
                                         std::string& problem) {
  const std::optional<double> lat = ParseDecimal(Trim(latitude));
  const std::optional<double> lon = ParseDecimal(Trim(longitude));
  const std::string_view heightText = Trim(height);
  const std::optional<double> metres =
      heightText.empty() ? std::optional<double>(0) : ParseDecimal(heightText);
  if (!lat || !lon || !metres) {
    problem = !lat   ? "The latitude is no number (degrees, north positive, \".\" as decimal point)."
              : !lon ? "The longitude is no number (degrees, east positive, \".\" as decimal point)."
                     : "The height is no number (metres above sea level).";
    return std::nullopt;
  }
  const ObservingSite site{std::string(Trim(name)), *lat, *lon, *metres};
  problem = SiteProblem(site);
  if (!problem.empty()) {
    problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
    problem += ".";
    return std::nullopt;
  }
  return site;
}

TForm_Site::TForm_Site(const std::optional<ObservingSite>& current, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Observing Site"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  Edit_SiteName = new QLineEdit(this);
  Edit_SiteName->setMaxLength(static_cast<int>(MaxSiteNameLength));
  Edit_Latitude = new QLineEdit(this);
  Edit_Latitude->setPlaceholderText(QStringLiteral("48.1372 (south negative)"));
  Edit_Longitude = new QLineEdit(this);
  Edit_Longitude->setPlaceholderText(QStringLiteral("11.5755 (west negative)"));
  Edit_Height = new QLineEdit(this);
  Edit_Height->setPlaceholderText(QStringLiteral("0"));
  if (current) {
    Edit_SiteName->setText(QString::fromStdString(current->name));
    Edit_Latitude->setText(QString::fromStdString(GeneralStr(current->latitude)));
    Edit_Longitude->setText(QString::fromStdString(GeneralStr(current->longitude)));
    Edit_Height->setText(QString::fromStdString(GeneralStr(current->height)));
  }
  form->addRow(QStringLiteral("Name:"), Edit_SiteName);
  form->addRow(QStringLiteral("Latitude (degrees):"), Edit_Latitude);
  form->addRow(QStringLiteral("Longitude (degrees):"), Edit_Longitude);
  form->addRow(QStringLiteral("Height (metres):"), Edit_Height);
  layout->addLayout(form);
  Label_SiteProblem = new QLabel(this);
  Label_SiteProblem->setWordWrap(true);
  Label_SiteProblem->setStyleSheet(
      QStringLiteral("QLabel { color: %1; }").arg(ShownQColor({192, 0, 0}, Paint::Text).name()));
  layout->addWidget(Label_SiteProblem);
  auto* buttons = new QDialogButtonBox(this);
  Button_OK = buttons->addButton(QDialogButtonBox::Ok);
  Button_NoSite = buttons->addButton(QStringLiteral("No Site"), QDialogButtonBox::DestructiveRole);
  Button_Cancel = buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(Button_OK, &QPushButton::clicked, this, [this] { Button_OKClick(); });
  connect(Button_NoSite, &QPushButton::clicked, this, [this] { Button_NoSiteClick(); });
  connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_Site::Button_OKClick() {
  std::string problem;
  const std::optional<ObservingSite> site =
      SiteOfTexts(Edit_SiteName->text().toStdString(), Edit_Latitude->text().toStdString(),
                  Edit_Longitude->text().toStdString(), Edit_Height->text().toStdString(), problem);
  if (!site) {
    Label_SiteProblem->setText(QString::fromStdString(problem));
    return;
  }
  choice_.site = site;
  accept();
}

void TForm_Site::Button_NoSiteClick() {
  choice_.site.reset();
  accept();
}

std::optional<SiteChoice> AskObservingSite(QWidget* parent, const std::optional<ObservingSite>& current) {
  TForm_Site dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.Choice();
}

}  // namespace tevra

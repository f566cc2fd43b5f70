// SPDX-License-Identifier: GPL-3.0-or-later
// TForm_Site: the observing site, set from the main window's Options menu: a name, latitude and
// longitude in degrees and the height in metres. OK takes the site only when it is sound; "No
// Site" takes the site away, so that everything is as without one.
#pragma once

#include "timing/observing_site.h"

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tevra {

// What the user chose: a site, or none.
struct SiteChoice {
  std::optional<ObservingSite> site;
};

// The site of the dialog's four texts, or what is wrong with them.
std::optional<ObservingSite> SiteOfTexts(const std::string& name, const std::string& latitude,
                                         const std::string& longitude, const std::string& height,
                                         std::string& problem);

class TForm_Site : public QDialog {
  Q_OBJECT

 public:
  explicit TForm_Site(const std::optional<ObservingSite>& current, QWidget* parent = nullptr);

  // The choice once the dialog was accepted.
  [[nodiscard]] const SiteChoice& Choice() const { return choice_; }

  void Button_OKClick();
  void Button_NoSiteClick();

  QLineEdit* Edit_SiteName = nullptr;
  QLineEdit* Edit_Latitude = nullptr;
  QLineEdit* Edit_Longitude = nullptr;
  QLineEdit* Edit_Height = nullptr;
  QLabel* Label_SiteProblem = nullptr;
  QPushButton* Button_OK = nullptr;
  QPushButton* Button_NoSite = nullptr;
  QPushButton* Button_Cancel = nullptr;

 private:
  SiteChoice choice_;
};

// Shows the dialog; empty when it was cancelled.
std::optional<SiteChoice> AskObservingSite(QWidget* parent, const std::optional<ObservingSite>& current);

}  // namespace tevra

// SPDX-License-Identifier: GPL-3.0-or-later
// TForm_Main: the window the observer watches all night. It selects the eclipse and the zone,
// shows the live clock and the contact countdowns, carries the display options and the about
// panel, and saves the user's choices when it closes.
#pragma once

#include "shell/fitting_label.h"
#include "shell/site_dialog.h"
#include "state/parameter_file.h"
#include "timing/countdown.h"
#include "timing/moon_sky.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QScrollBar;
class QTableWidget;
class QTimer;
class QUrl;

namespace tevra {

// What the window needs from outside, replaceable by tests.
struct MainWindowEnvironment {
  LocalClock clock = &SystemLocalJD;
  // A message box with one OK button: caption, text.
  std::function<void(const std::string&, const std::string&)> showMessage;
  // Ends the program after the incompatible-file message; the default exits the process.
  std::function<void()> terminate;
  // The executable whose version record the about panel shows; empty: the running program.
  std::string executablePath;
  // Asks for the observing site; empty when cancelled. Default: the dialog TForm_Site.
  std::function<std::optional<SiteChoice>(const std::optional<ObservingSite>&)> askSite;
  // Opens a page in the desktop's viewer; false when nothing could open it. The default asks the
  // desktop (QDesktopServices).
  std::function<bool(const QUrl&)> openUrl;
  // What a first start reads of the computer: the hours east of UTC of its clock, and the instant
  // (UT, as a JD) from which it chooses the coming eclipse. Defaults: this computer, now.
  std::function<double()> utcOffsetHours;
  std::function<double()> nowUT;
};

class TForm_Main : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm_Main(MainWindowEnvironment environment = {}, QWidget* parent = nullptr);

  // The exposure window registers itself here; until then a save keeps the record's exposure
  // fields as loaded.
  void SetExposureChoicesSource(const ExposureChoicesSource* source);
  // The later windows fill these; their menu items stay disabled while a hook is empty.
  void SetCameraWindowHook(std::function<void()> show);
  void SetExposureWindowHook(std::function<void()> show);
  // The other windows' part of a change of the night view.
  void SetNightModeHook(std::function<void()> apply);
  // Asked before the program ends; false keeps it running (a photography run the user keeps).
  void SetCloseGuard(std::function<bool()> mayClose) { mayClose_ = std::move(mayClose); }
  // Sets the eclipse selector to an entry number and refreshes the display.
  void SelectEclipseNumber(int number);

  // Event handlers, named after component and event.
  void FormActivate();
  void ComboBox_TZoneChange();
  void ScrollBar_EclipseChange();
  void ShowGreatestEclipse();
  void RefreshContactTimes();
  void Timer1Timer();
  void ZehntelsekundenClick();
  void MinuteAccClick();
  void ObservingSite1Click();
  void SpokenAnnouncementsClick();
  void NightModeClick();
  void NightBrightnessClick(int percent);
  void TestsClick();
  void Exposure_TablesClick();
  void Exit_and_saveClick();
  void Hilfe2Click();
  void Version1Click();
  void Button_About_OKClick();
  void FillVersionGrid();
  // Collects the choices and writes Tevra.prm, then keeps the camera log. Returns false when a
  // file could not be written (the user has been told).
  bool SaveParameters();

  // Components, by their design names.
  QLabel* Label_EclSelection = nullptr;
  QScrollBar* ScrollBar_Eclipse = nullptr;
  QLabel* Label_Datum = nullptr;
  QLabel* MoFiTyp_Label = nullptr;
  QLabel* Label_Zeit = nullptr;
  QLabel* Label_Deltat = nullptr;
  // The entry's number in the catalogue, as tevra-cli takes it ("Catalogue number 34").
  QLabel* Label_EclNumber = nullptr;
  QLabel* Label_TZSetting = nullptr;
  QComboBox* ComboBox_TZone = nullptr;
  QLabel* Label12 = nullptr;
  QLabel* Label_UT = nullptr;
  QLabel* Label_SysTime_TZ = nullptr;
  QLabel* Label13 = nullptr;
  // With an observing site: the site and the Moon's altitude at each contact; hidden without one.
  // The contacts' time labels then carry the Moon's altitude and azimuth in their tool tips.
  QLabel* Label_Site = nullptr;
  QLabel* Label_MoonAtSite = nullptr;
  // P1, U1, U2, Mx, U3, U4, P4: time, countdown and zone labels. A countdown too long for its
  // label (day counts of five digits and more) is drawn in a smaller size of its font.
  std::array<QLabel*, ContactCount> TimeLabels{};
  std::array<FittingLabel*, ContactCount> DiffLabels{};
  std::array<QLabel*, ContactCount> ZoneLabels{};
  // Zone abbreviation, offset and description; a description too long for its panel is drawn in
  // a smaller size of the panel's font.
  std::array<FittingLabel*, 3> StatusPanels{};
  QFrame* Panel_About = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label_AboutTitle = nullptr;
  QTableWidget* StringGrid_VersionsInfo = nullptr;
  QLabel* Label_AboutLicence = nullptr;  // the licence, below the grid
  QPushButton* Button_About_OK = nullptr;
  QPushButton* Button_About_Guide = nullptr;
  QTimer* Timer1 = nullptr;
  QAction* Exit_and_save = nullptr;
  QAction* Tests = nullptr;
  QAction* Exposure_Tables = nullptr;
  QAction* Zehntelsekunden = nullptr;
  QAction* MinuteAcc = nullptr;
  QAction* ObservingSite1 = nullptr;
  QAction* SpokenAnnouncements = nullptr;
  // View: "Night Mode" (Ctrl+Shift+N in every window) and the menu of its brightness levels.
  QAction* NightMode1 = nullptr;
  QMenu* NightBrightness1 = nullptr;
  QAction* Version1 = nullptr;
  // "Tevra &User Guide", F1 in every window of the program.
  QAction* Hilfe2 = nullptr;
  QScrollArea* ClientArea = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildComponents();
  void BuildMenus();
  void FormCreate();
  bool LoadParameters();
  void ApplyContactRows(const ContactRows& rows);
  void ApplyClockLine(const ClockLine& line);
  // The colours the window chooses itself, through the night view.
  void PaintColours();
  // Night as it now stands: the menu, the application's look and every window's colours.
  void ApplyNightMode();
  void Report(const std::string& error);
  void LoadSiteSettingsFile();
  void SaveSiteSettingsFile();
  // The Moon at the site for the contacts shown; computed again only when they or the site change.
  void ShowMoonAtSite();

  MainWindowEnvironment environment_;
  const ExposureChoicesSource* exposureChoices_ = nullptr;
  std::function<void()> showCamera_;
  std::function<void()> showExposure_;
  std::function<void()> applyNightMode_;
  std::array<QFrame*, 4> bars_{};
  QFrame* contactArea_ = nullptr;
  std::function<bool()> mayClose_;
  bool loadAborted_ = false;  // the incompatible file was deleted: nothing may be saved
  bool closing_ = false;
  std::optional<std::array<double, ContactCount>> moonContacts_;  // the contacts the Moon was shown for
};

// Window client area of the design.
constexpr int MainClientWidth = 922;
constexpr int MainClientHeight = 560;

}  // namespace tevra

// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/night_look.h"
#include "shell/program_windows.h"
#include "shell/site_dialog.h"

#include "tests/shell/shell_test_fixture.h"

#include "state/night_mode.h"
#include "state/site_settings.h"
#include "windows/photography_page.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tevra {
namespace {

class NightModeTest : public ShellWindowTest {
 protected:
  void TearDown() override {
    Night = {};
    ApplyNightLook();
    ShellWindowTest::TearDown();
  }

  // Every pixel of the widget as it is drawn now keeps the night rule.
  static void ExpectNightRule(QWidget* widget, const char* what) {
    widget->ensurePolished();
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(image.isNull()) << what;
    const NightRuleResult result =
        NightRuleViolations({reinterpret_cast<const uint32_t*>(image.constBits()), image.width(),
                             image.height(), static_cast<int>(image.bytesPerLine() / 4)});
    EXPECT_EQ(result.violations, 0U) << what << ": first at " << result.firstX << "," << result.firstY << " #"
                                     << std::hex << result.firstPixel;
    if (result.violations > 0) {
      image.save(
          QString::fromStdString((std::filesystem::temp_directory_path() / "tevra-night-").string()) +
          QString::fromLatin1(what).remove(QLatin1Char('&')).replace(QLatin1Char(' '), QLatin1Char('-')) +
          QStringLiteral(".png"));
    }
  }

  std::string IniText() const {
    std::stringstream text;
    text << std::ifstream(SettingsFolder + SiteSettingsFileName).rdbuf();
    return text.str();
  }
};

TEST(NightRule, CountsThePixelsWhoseGreenOrBlueIsAboveAThirdOfTheRed) {
  const uint32_t pixels[] = {0xFF000000, 0xFF602900, 0xFF602800, 0xFFFFFFFF, 0xFF300018, 0xFF300019};
  const NightRuleResult result = NightRuleViolations({pixels, 3, 2, 3});
  EXPECT_EQ(result.violations, 3U);  // 0x29 > 0x60/3 + 8, white, 0x19 > 0x30/3 + 8
  EXPECT_EQ(result.firstX, 1);
  EXPECT_EQ(result.firstPixel, 0xFF602900U);
}

TEST_F(NightModeTest, EveryWindowKeepsTheNightRuleAndTheChoiceIsKept) {
  clock_ = CalJD(2024, 9, 18, 1, 30, 0);  // between U1 and maximum of the first start's eclipse
  const ProgramWindows windows = CreateProgramWindows(environment_);
  TForm_Main& main = *windows.main;
  windows.exposure->Exposure_TablesClick();
  windows.exposure->Button_Create_ExposureListClick();

  main.NightMode1->trigger();
  ASSERT_TRUE(Night.on);
  EXPECT_NE(IniText().find("NightMode=1"), std::string::npos);
  AnnouncementSound = false;

  ExpectNightRule(&main, "main window");
  main.Version1Click();
  ExpectNightRule(&main, "about panel");
  main.Button_About_OKClick();
  for (QAction* menu : main.menuBar()->actions()) {
    if (menu->menu() != nullptr) {
      menu->menu()->adjustSize();
      ExpectNightRule(menu->menu(), qPrintable(menu->text()));
    }
  }
  windows.exposure->MarkRunRow(2);  // the row a run serves
  ExpectNightRule(windows.exposure.get(), "exposure window");
  windows.camera->resize(windows.camera->size());
  for (int tab = 0; tab < windows.camera->PageControl1->count(); ++tab) {
    windows.camera->PageControl1->setCurrentIndex(tab);
    ExpectNightRule(windows.camera.get(), qPrintable(windows.camera->PageControl1->tabText(tab)));
  }
  TPhotographyPage& page = *windows.camera->Photography;
  page.ShowInfo("Camera not connected!", InfoRed, InfoKind::Message);
  page.ShowAdvanceControls(true);
  page.ShowBanner("Totality begins");
  page.BlinkBanner(BannerLime);
  // A preview of the sky with a bright Moon: picture and histogram in reds.
  PreviewShot shot;
  shot.row = 2;
  shot.label = "U2";
  shot.settings = "ISO 800  f/8  1/2";
  shot.biasThirds = 1;
  shot.image = {16, 8, std::vector<uint8_t>(128, 10)};
  std::fill_n(shot.image.luminance.begin() + 36, 40, 230);
  shot.figures = MeasurePreview(shot.image.luminance);
  page.ShowPreview(shot);
  ExpectNightRule(windows.camera.get(), "photography page with banner");
  TForm_Site site(ObservingSite{"Munich", 48.1, 11.6, 520});
  ExpectNightRule(&site, "site dialog");
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Tevra"), QStringLiteral("A warning"),
                  QMessageBox::Yes | QMessageBox::No);
  ExpectNightRule(&box, "message box");
  QToolTip::showText(QPoint(100, 100), QStringLiteral("Time to next operation"));
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->inherits("QTipLabel")) {
      ExpectNightRule(top, "tool tip");
    }
  }
  QToolTip::hideText();

  // By night the countdowns tell passed from ahead by brightness, and the next contact by weight.
  const ContactRows rows = ContactLabels(NowJD, main.MinuteAcc->isChecked());
  const auto index = [&rows](ContactState state, size_t from) {
    size_t i = from;
    while (i < ContactCount && rows[i].state != state) {
      ++i;
    }
    return i;
  };
  const size_t passed = index(ContactState::Passed, 0);
  const size_t next = index(ContactState::Ahead, 0);
  const size_t later = index(ContactState::Ahead, next + 1);
  ASSERT_LT(later, ContactCount) << "the clock must lie between the contacts";
  ASSERT_LT(passed, ContactCount);
  EXPECT_LT(main.DiffLabels[passed]->palette().color(QPalette::WindowText).red(),
            main.DiffLabels[next]->palette().color(QPalette::WindowText).red());
  EXPECT_TRUE(main.DiffLabels[next]->font().bold());
  EXPECT_FALSE(main.DiffLabels[later]->font().bold());
  EXPECT_FALSE(main.DiffLabels[passed]->font().bold());

  // Ctrl+Shift+N's action brings the day back, its colours and the toolkit's look.
  main.NightMode1->trigger();
  EXPECT_FALSE(Night.on);
  EXPECT_TRUE(qApp->styleSheet().isEmpty());
  EXPECT_EQ(main.DiffLabels[later]->palette().color(QPalette::WindowText),
            QColor(AheadCountdownColour.r, AheadCountdownColour.g, AheadCountdownColour.b));
  EXPECT_NE(IniText().find("NightMode=0"), std::string::npos);
  EXPECT_EQ(main.NightMode1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+N")));
}

}  // namespace
}  // namespace tevra

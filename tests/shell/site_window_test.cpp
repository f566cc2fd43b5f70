// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/main_window.h"
#include "shell/site_dialog.h"
#include "state/site_settings.h"

#include "tests/shell/shell_test_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace tevra {
namespace {

class SiteWindow : public ShellWindowTest {
 protected:
  void SetUp() override {
    ShellWindowTest::SetUp();
    CurrentSite.reset();
    environment_.askSite = [this](const std::optional<ObservingSite>& current) {
      asked_ = current;
      return answer_;
    };
  }
  void TearDown() override {
    CurrentSite.reset();
    AnnouncementSound = false;
    ShellWindowTest::TearDown();
  }

  std::optional<SiteChoice> answer_;
  std::optional<ObservingSite> asked_;
};

TEST_F(SiteWindow, ASiteShowsTheMoonAtEachContactAndIsKeptBesideTheParameterFile) {
  {
    TForm_Main window(environment_);
    EXPECT_FALSE(window.Label_MoonAtSite->isVisibleTo(&window));
    EXPECT_TRUE(window.TimeLabels[0]->toolTip().isEmpty());
    EXPECT_TRUE(window.SpokenAnnouncements->isChecked());
    EXPECT_TRUE(AnnouncementSound);

    window.ComboBox_TZone->setCurrentIndex(15);  // UTC
    window.SelectEclipseNumber(1);
    const QString before = window.TimeLabels[3]->text();
    answer_ = SiteChoice{ObservingSite{"Munich", 48.1372, 11.5755, 520}};
    window.ObservingSite1->trigger();
    EXPECT_FALSE(asked_);
    // The texts and places of the window stay; the Moon comes as tool tips and one line.
    EXPECT_EQ(window.TimeLabels[3]->text(), before);
    EXPECT_TRUE(window.Label_MoonAtSite->isVisibleTo(&window));
    EXPECT_EQ(window.Label_MoonAtSite->text().toStdString(),
              "Moon at P1 20\xC2\xB0, at U1 30\xC2\xB0, at U2 40\xC2\xB0, at Mx 45\xC2\xB0, at U3 "
              "50\xC2\xB0, at U4 "
              "58\xC2\xB0, at P4 63\xC2\xB0");
    EXPECT_EQ(window.Label_Site->text().toStdString(), "Munich: 48.1372\xC2\xB0 N, 11.5755\xC2\xB0 E, 520 m");
    EXPECT_EQ(window.TimeLabels[3]->toolTip().toStdString(),
              "Moon at Mx: altitude 45.3\xC2\xB0, azimuth 109.5\xC2\xB0 (ESE)");

    // Entry 35 seen from Munich: the Moon sets between U1 and U2.
    window.SelectEclipseNumber(35);
    window.Timer1Timer();
    EXPECT_EQ(
        window.TimeLabels[2]->toolTip().toStdString().rfind("Moon at U2: below the horizon (altitude -9.", 0),
        0U);
    // A partial eclipse has no U2 and U3: no tool tip for them.
    window.SelectEclipseNumber(34);
    EXPECT_TRUE(window.TimeLabels[2]->toolTip().isEmpty());

    window.SpokenAnnouncements->trigger();
    EXPECT_FALSE(AnnouncementSound);
    window.close();
  }
  EXPECT_EQ(std::filesystem::file_size(PrmPath()), ParameterFileSize);
  CurrentSite.reset();
  {
    TForm_Main window(environment_);
    ASSERT_TRUE(CurrentSite);
    EXPECT_EQ(CurrentSite->name, "Munich");
    EXPECT_FALSE(window.SpokenAnnouncements->isChecked());
    EXPECT_TRUE(window.Label_MoonAtSite->isVisibleTo(&window));
    // Cancelled: nothing changes; "No Site": everything as without one.
    answer_.reset();
    window.ObservingSite1->trigger();
    ASSERT_TRUE(asked_);
    EXPECT_EQ(asked_->latitude, 48.1372);
    EXPECT_TRUE(window.Label_MoonAtSite->isVisibleTo(&window));
    answer_ = SiteChoice{};
    window.ObservingSite1->trigger();
    EXPECT_FALSE(window.Label_MoonAtSite->isVisibleTo(&window));
    EXPECT_FALSE(window.Label_Site->isVisibleTo(&window));
    for (const QLabel* label : window.TimeLabels) {
      EXPECT_TRUE(label->toolTip().isEmpty());
    }
    window.close();
  }
  std::string error;
  EXPECT_FALSE(LoadSiteSettings(SettingsFolder + SiteSettingsFileName, error).site);
}

TEST_F(SiteWindow, TheDialogTakesOnlyASoundSite) {
  TForm_Site dialog(std::nullopt);
  dialog.Edit_Latitude->setText(QStringLiteral("48,1"));
  dialog.Edit_Longitude->setText(QStringLiteral("11.5"));
  dialog.Button_OK->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_NE(dialog.Label_SiteProblem->text().toStdString().find("latitude"), std::string::npos);
  dialog.Edit_Latitude->setText(QStringLiteral("-91"));
  dialog.Button_OK->click();
  EXPECT_NE(dialog.Label_SiteProblem->text().toStdString().find("between -90 and 90"), std::string::npos);
  dialog.Edit_Latitude->setText(QStringLiteral(" -33.8688 "));
  dialog.Edit_SiteName->setText(QStringLiteral("Sydney"));
  dialog.Button_OK->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  ASSERT_TRUE(dialog.Choice().site);
  EXPECT_EQ(dialog.Choice().site->latitude, -33.8688);
  EXPECT_EQ(dialog.Choice().site->height, 0);
}

}  // namespace
}  // namespace tevra

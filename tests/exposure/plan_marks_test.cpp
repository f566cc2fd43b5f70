// SPDX-License-Identifier: GPL-3.0-or-later
// The exposure window marks the rows the plan check names, and says why when one is selected.
#include "windows/exposure_window.h"

#include "grid/nice_grid.h"
#include "state/parameter_file.h"
#include "state/site_settings.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/time_zones.h"

#include <QApplication>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace tevra {
namespace {

ExposureRow Row(const std::string& label, const std::string& time, const std::vector<int>& marks) {
  ExposureRow row;
  row[ColumnLabel] = label;
  row[ColumnDateTime] = time;
  row[ColumnQuality] = "JPGLarFin";
  row[ColumnIso] = "400";
  for (const int mark : marks) {
    row[static_cast<size_t>(mark)] = "x";
  }
  return row;
}

class PlanMarks : public ::testing::Test {
 protected:
  void SetUp() override {
    ParameterRecord = FirstStartParameters("test");
    CameraName.clear();
    CurrentSite.reset();
    ApplyTimeZone(15);  // UTC
    SelectEclipse(35);
    ComputeContacts(false);
    ExposureWindowHost host;
    host.showMessage = [](const std::string&, const std::string&) {};
    form = std::make_unique<TForm_Exposure>(host);
    form->Exposure_TablesClick();
  }
  void TearDown() override {
    form.reset();
    CurrentSite.reset();
  }
  std::unique_ptr<TForm_Exposure> form;
};

TEST_F(PlanMarks, RowsThatCannotFinishOrSeeNoMoonAreMarkedAndExplained) {
  CurrentSite = ObservingSite{"Munich", 48.1372, 11.5755, 520};
  // 4 s and 8 s five seconds before the next row; the last row after moonset in Munich.
  form->SetTableRows({Row("a", "2025-03-14 05:09:00.0", {21, 22}), Row("b", "2025-03-14 05:09:05.0", {22}),
                      Row("c", "2025-03-14 05:20:00.0", {22}), Row("d", "2025-03-14 06:58:47.0", {22})});
  const std::vector<std::string>& findings = form->RowFindings();
  ASSERT_EQ(findings.size(), 4U);
  EXPECT_EQ(findings[0], "cannot finish in time: needs 15.0 s, has 5.0 s until row 2");
  EXPECT_EQ(findings[1], "");
  EXPECT_EQ(findings[2], "");
  EXPECT_EQ(findings[3].rfind("the Moon is below the horizon at the site", 0), 0U);
  form->NGE->SetRow(3);
  EXPECT_EQ(form->StatusBar1->currentMessage().toStdString().rfind("Row 4: the Moon is below", 0), 0U);
  form->NGE->SetRow(1);
  EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());

  // An edit that gives the first row the time it needs clears its mark once the edit is stored.
  form->NGE->UserWrite(ColumnDateTime, 1, QStringLiteral("2025-03-14 05:09:20.0"));
  QCoreApplication::processEvents();
  EXPECT_EQ(form->RowFindings()[0], "");
}

}  // namespace
}  // namespace tevra

// SPDX-License-Identifier: GPL-3.0-or-later
// The "Eclipse Photography" page on a manual clock: the commands through their labels, the
// running look, rehearsal time, the banner and keeping the computer awake.
#include "windows/photography_page.h"
#include "exposure/exposure_bias.h"
#include "run/keep_awake.h"
#include "state/night_mode.h"
#include "state/variables.h"
#include "tests/run/run_test_support.h"
#include "timing/astrolib.h"
#include "timing/countdown.h"
#include "windows/preview_panel.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tevra {
namespace {

class FakeKeepAwake final : public KeepAwake {
 public:
  explicit FakeKeepAwake(std::vector<std::string>& calls, std::string answer)
      : calls_(calls), answer_(std::move(answer)) {}
  std::string Inhibit(const std::string& reason) override {
    calls_.push_back("inhibit " + reason);
    return answer_;
  }
  void Release() override { calls_.emplace_back("release"); }

 private:
  std::vector<std::string>& calls_;
  std::string answer_;
};

class PhotographyPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RehearsalOffset = 0;
    AbortRun = AbortTestRun = false;
    CameraName.clear();
    PhotographyPageHost host;
    host.table = [this] {
      // No rows stands for the grid's initial rows: no table made or loaded.
      return MakeRunTable(rows, ExposureColumnTitles("[UTC]"), rows.empty() ? NoTableRowCount : rows.size());
    };
    host.showStatus = [this](const std::string& text) { status.push_back(text); };
    host.clock = &clock;
    host.waiter = &waiter;
    host.makeKeepAwake = [this] { return std::make_unique<FakeKeepAwake>(awake, awakeAnswer); };
    host.pickRehearsal = [this](const std::vector<std::string>& items) -> std::optional<size_t> {
      offered = items;
      for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].starts_with(rehearseFrom)) {
          return i;
        }
      }
      return std::nullopt;
    };
    page = std::make_unique<TPhotographyPage>(std::move(host));
    page->Engine().SetLogFolder("");
    page->Engine().SetPump([this] {
      if (onPump) {
        onPump();
      }
    });
  }
  void TearDown() override { RehearsalOffset = 0; }

  // A press and release on a command's label, as the user clicks it.
  static void ClickLabel(QLabel* label) {
    QTest::mousePress(label, Qt::LeftButton);
    EXPECT_EQ(label->pos(), QPoint(3, 3));  // pressed look
    QTest::mouseRelease(label, Qt::LeftButton);
  }

  ManualTickClock ticks{0};
  ManualRunClock clock{ticks, CalJD(2024, 3, 25, 9, 59, 0)};
  ManualRunWaiter waiter{ticks};
  ExposureRows rows;
  std::vector<std::string> status;
  std::vector<std::string> awake;
  std::string awakeAnswer;
  std::function<void()> onPump;
  std::string rehearseFrom;  // the start of the entry "Rehearse From ..." picks
  std::vector<std::string> offered;
  std::unique_ptr<TPhotographyPage> page;
};

// The label's text fits it whole in the font it shows.
bool ShowsWhole(const QLabel* label) {
  const QRect room = label->contentsRect();
  const QRect needed =
      QFontMetrics(label->font())
          .boundingRect(QRect(0, 0, room.width(), 10000),
                        static_cast<int>(Qt::TextWordWrap | label->alignment()), label->text());
  return needed.height() <= room.height() && needed.width() <= room.width();
}

TEST_F(PhotographyPageTest, TestRunThroughItsLabelSimulatesAndReturnsToIdle) {
  rows = {test::Row("P1", "2024-03-25 10:00:00"),
          test::Row("Totality-begins.wav", "2024-03-25 10:00:10", {}, "WAV")};
  bool sawRunning = false;
  bool sawBanner = false;
  onPump = [&] {
    sawRunning =
        sawRunning || (!page->Button_Test_Eclipse_Photography->isEnabled() &&
                       page->Button_Abort_Test->isEnabled() && !page->Button_Abort_Foto->isEnabled());
    if (page->Label_WAV_Meldung->isVisibleTo(page.get())) {
      sawBanner =
          page->Label_WAV_Meldung->text() == "TOTALITY BEGINS" && page->Label_WAV_Meldung->width() == 677;
    }
  };
  ClickLabel(page->Label_Test_Eclipse_Photography);
  EXPECT_TRUE(sawRunning);
  EXPECT_TRUE(sawBanner);
  EXPECT_EQ(page->LastSummary().picturesTaken, 1);
  EXPECT_EQ(page->Label_Test_Eclipse_Photography->pos(), QPoint(2, 2));
  EXPECT_TRUE(page->Button_Test_Eclipse_Photography->isEnabled());
  EXPECT_FALSE(page->Button_Abort_Test->isEnabled());
  EXPECT_FALSE(page->Label_WAV_Meldung->isVisibleTo(page.get()));
  EXPECT_EQ(page->Label_WAV_Meldung->width(), 2);
  EXPECT_NE(std::find(status.begin(), status.end(), "Picture taken (SIMULATED)"), status.end());
  EXPECT_TRUE(awake.empty());  // only the start run keeps the computer awake
}

TEST_F(PhotographyPageTest, AdvanceTimeDuringAStartRunAndAbort) {
  rows = {test::Row("P1", "2024-03-25 10:00:00"), test::Row("U1", "2024-03-25 11:00:00")};
  awakeAnswer = "no screen saver";
  bool advanced = false;
  std::string diffAfterAdvance;
  onPump = [&] {
    if (!advanced && page->Label_Wann->text() == "at: 2024-03-25 10:00:00.0") {
      EXPECT_TRUE(page->BitBtn_Advance->isVisibleTo(page.get()));
      EXPECT_TRUE(page->Label_Advance1->isVisibleTo(page.get()));
      EXPECT_FALSE(page->BitBtn_RealTime->isVisibleTo(page.get()));
      page->BitBtn_Advance->click();
      advanced = true;
      EXPECT_TRUE(page->BitBtn_RealTime->isVisibleTo(page.get()));
      EXPECT_TRUE(page->Label_Advance1->styleSheet().contains("#ff0000"));
    } else if (advanced && diffAfterAdvance.empty()) {
      diffAfterAdvance = page->Label_WannDiff->text().toStdString();
    } else if (page->Label_Wann->text() == "at: 2024-03-25 11:00:00.0") {
      page->Button_Abort_Foto->click();
    }
  };
  ClickLabel(page->Label_Start_Eclipse_Photography);
  EXPECT_TRUE(advanced);
  EXPECT_EQ(diffAfterAdvance.substr(0, 12), "+0 00:00:05.");
  EXPECT_TRUE(page->LastSummary().aborted);
  EXPECT_EQ(page->LastSummary().picturesTaken, 1);
  // End step: real time again, rehearsal controls hidden and unpainted.
  EXPECT_EQ(RehearsalOffset, 0.0);
  EXPECT_FALSE(page->BitBtn_Advance->isVisibleTo(page.get()));
  EXPECT_FALSE(page->BitBtn_RealTime->isVisibleTo(page.get()));
  EXPECT_FALSE(page->Label_Advance1->isVisibleTo(page.get()));
  EXPECT_TRUE(page->Label_Advance1->styleSheet().isEmpty());
  EXPECT_FALSE(AbortRun);
  // The computer was kept awake for the run and let go after it; a refusal is shown.
  EXPECT_EQ(awake, (std::vector<std::string>{"inhibit Eclipse photography run", "release"}));
  EXPECT_EQ(status.front(), "Cannot keep the computer awake: no screen saver");
}

// Started late: the page asks once, in a message box whose default answer skips what was due.
TEST_F(PhotographyPageTest, EntriesDueLongAgoAreSkippedByTheQuestionsDefault) {
  rows = {test::Row("A", "2024-03-25 09:50:00"), test::Row("B", "2024-03-25 09:59:10")};
  std::vector<std::string> questions;
  bool noIsDefault = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
        questions.push_back(box->text().toStdString());
        noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return);
      }
    }
  });
  page->Button_Start_Eclipse_Photography->click();
  ASSERT_EQ(questions.size(), 1U);
  EXPECT_NE(questions[0].find("1 entry of the exposure table was due more than 60 seconds ago"),
            std::string::npos);
  EXPECT_TRUE(noIsDefault);
  EXPECT_EQ(page->LastSummary().rowsSkipped, 1);
  EXPECT_EQ(page->LastSummary().picturesTaken, 1);
}

TEST_F(PhotographyPageTest, WithoutATableTheRunSaysSoInRed) {
  page->Button_Start_Eclipse_Photography->click();
  EXPECT_EQ(page->Label_Info->text().toStdString(),
            "No exposure table.\nSelect \"Exposure Tables\",\nthen load or create a table");
  EXPECT_TRUE(page->Label_Info->styleSheet().contains("#ff0000"));
  EXPECT_TRUE(page->Button_Start_Eclipse_Photography->isEnabled());
}

// "Check Before the Night": one line per check with its coloured mark, and the file written.
TEST_F(PhotographyPageTest, CheckBeforeTheNightListsTheLinesAndWritesThem) {
  EXPECT_FALSE(page->Button_Check->isVisibleTo(page.get()));  // no check without one to make
  PhotographyPageHost host;
  host.clock = &clock;
  host.waiter = &waiter;
  host.camera = [] { return nullptr; };
  host.preflight = [](TAppMaster* camera) {
    EXPECT_EQ(camera, nullptr);
    return std::vector<CheckLine>{{CheckLevel::Ok, "Zone", "UTC", ""},
                                  {CheckLevel::Warning, "Battery", "40 %", "charge it"},
                                  {CheckLevel::Problem, "Camera", "not found", "connect it"}};
  };
  TPhotographyPage checking(std::move(host));
  DocumentsFolder = ::testing::TempDir() + "page-check/";
  checking.Button_Check->click();
  ASSERT_NE(checking.List_Check, nullptr);
  ASSERT_EQ(checking.List_Check->count(), 4);
  EXPECT_EQ(checking.List_Check->item(1)->text().toStdString(), "WARNING  Battery: 40 %. Charge it");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(checking.List_Check->item(i)->data(Qt::UserRole).toInt(), i);
    EXPECT_FALSE(checking.List_Check->item(i)->icon().isNull());
  }
  EXPECT_EQ(checking.List_Check->item(3)->text().toStdString(),
            "Written to " + DocumentsFolder + "preflight-20240325-095900.txt");
  EXPECT_TRUE(std::filesystem::is_regular_file(DocumentsFolder + "preflight-20240325-095900.txt"));
  DocumentsFolder.clear();
}

// "Rehearse From ..." during a start run: the clock 5 s before the row picked, the entries before it
// skipped; the page shows the row, the next entry and the counts, and the summary at the end.
TEST_F(PhotographyPageTest, RehearseFromARowSkipsTheEntriesBeforeItAndThePageSaysWhereTheRunStands) {
  rows = {test::Row("A", "2024-03-25 10:00:00"), test::Row("B", "2024-03-25 10:00:15"),
          test::Row("U2", "2024-03-25 11:00:00")};
  rehearseFrom = "Row 3: U2";
  bool jumped = false;
  std::string diffAfterJump;
  std::string rowShown;
  onPump = [&] {
    if (!jumped && page->Label_Wann->text() == "at: 2024-03-25 10:00:00.0") {
      EXPECT_TRUE(page->BitBtn_RehearseFrom->isVisibleTo(page.get()));
      page->BitBtn_RehearseFrom->click();
      jumped = true;
      EXPECT_TRUE(page->BitBtn_RealTime->isVisibleTo(page.get()));
    } else if (jumped && diffAfterJump.empty() && page->Label_Wann->text() == "at: 2024-03-25 11:00:00.0" &&
               !page->Label_WannDiff->text().startsWith("+00000")) {
      diffAfterJump = page->Label_WannDiff->text().toStdString();
      rowShown = page->Label_TableRow->text().toStdString();
    }
  };
  page->Button_Start_Eclipse_Photography->click();
  ASSERT_TRUE(jumped);
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Row 1: A  at: 2024-03-25 10:00:00.0"), offered.end());
  EXPECT_EQ(diffAfterJump.substr(0, 12), "+0 00:00:05.");
  EXPECT_NE(rowShown.find("row 3 of 3"), std::string::npos) << rowShown;
  EXPECT_EQ(page->LastSummary().rowsSkipped, 2);
  EXPECT_EQ(page->LastSummary().picturesTaken, 1);
  EXPECT_EQ(page->Label_Counts->text().toStdString().substr(0, 16), "Pictures taken 1");
  EXPECT_TRUE(page->Label_Info->text().startsWith("Run ended."));
  EXPECT_TRUE(page->Label_Info->text().contains("entries skipped 2"));
  EXPECT_TRUE(ShowsWhole(page->Label_Info));
  EXPECT_TRUE(page->Label_CameraStatus->text().startsWith("Camera: "));
}

// Long messages and banners show whole; the banner lies inside the page, below the rehearsal
// warning. The zone warning ends with the question that Yes and No answer.
TEST_F(PhotographyPageTest, MessagesAndBannerShowWholeAndTheZoneWarningAsks) {
  rows = {test::Row("A", "2024-03-25 1O:00:00")};
  page->Button_Test_Eclipse_Photography->click();
  EXPECT_TRUE(page->Label_Info->text().startsWith("The run does not start"));
  EXPECT_TRUE(ShowsWhole(page->Label_Info));
  page->ShowInfo(SimulationModeMessage, InfoYellow, InfoKind::Message);
  EXPECT_TRUE(ShowsWhole(page->Label_Info));
  page->ShowBanner("TOTALITY BEGINS IN ONE MINUTE AT THE EASTERN HORIZON");
  EXPECT_TRUE(ShowsWhole(page->Label_WAV_Meldung));
  EXPECT_GE(page->Label_WAV_Meldung->geometry().top(), page->Label_Advance2->geometry().bottom());
  EXPECT_LE(page->Label_WAV_Meldung->geometry().bottom(), PhotographyPageHeight);
  page->HideBanner();

  std::vector<std::string> questions;
  PhotographyPageHost host;
  host.table = [] {
    return MakeRunTable({test::Row("A", "2024-03-25 10:00:00")}, ExposureColumnTitles("[UTC+03]"), 1);
  };
  host.clock = &clock;
  host.waiter = &waiter;
  host.makeKeepAwake = [this] { return std::make_unique<FakeKeepAwake>(awake, awakeAnswer); };
  host.confirm = [&questions](const std::string& question) {
    questions.push_back(question);
    return false;
  };
  TPhotographyPage zonePage(std::move(host));
  zonePage.Button_Start_Eclipse_Photography->click();
  ASSERT_EQ(questions.size(), 1U);
  EXPECT_TRUE(questions[0].ends_with("late.\n\nStart the run anyway?")) << questions[0];
  EXPECT_TRUE(zonePage.LastSummary().cancelled);
}

TEST_F(PhotographyPageTest, PreviewFillsThePanelAndTheBiasKeysMoveTheRunsBiasInThirds) {
  EXPECT_TRUE(page->Panel_Preview->Image_Preview->text().startsWith("No preview yet"));
  // Everything on the page stands inside it: the camera window shows it whole.
  for (const QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    EXPECT_TRUE(QRect(0, 0, 1012, PhotographyPageHeight).contains(child->geometry()))  // the window's width
        << child->metaObject()->className() << " " << child->toolTip().toStdString();
  }
  PreviewShot shot;
  shot.row = 3;
  shot.label = "U2 totality begins";
  shot.settings = "ISO 800  f/8  1/2";
  shot.biasThirds = 4;
  // Sky, a dim Moon and two clipped pixels.
  shot.image = {8, 4, std::vector<uint8_t>(32, 6)};
  std::fill_n(shot.image.luminance.begin() + 9, 12, 120);
  shot.image.luminance[30] = shot.image.luminance[31] = 255;
  shot.figures = MeasurePreview(shot.image.luminance);
  page->ShowPreview(shot);
  const TPreviewPanel& panel = *page->Panel_Preview;
  EXPECT_EQ(panel.Label_PreviewFigures->text().toStdString(), PreviewFiguresText(shot.figures));
  EXPECT_EQ(panel.Label_PreviewSource->text().toStdString(),
            "Row 3: U2 totality begins \u2014 ISO 800  f/8  1/2, bias +1 1/3 EV");
  EXPECT_FALSE(panel.Image_Preview->pixmap().isNull());
  // Log scale: the sky's 18 pixels fill the height, the 2 clipped ones still show, no bar elsewhere.
  TPreviewHistogram& histogram = *panel.Histogram_Preview;
  EXPECT_EQ(histogram.BarHeight(6), histogram.height() - 2);
  EXPECT_GT(histogram.BarHeight(255), histogram.BarHeight(6) / 3);
  EXPECT_LT(histogram.BarHeight(255), histogram.BarHeight(120));
  EXPECT_EQ(histogram.BarHeight(0) + histogram.BarHeight(200), 0);

  // Night: the picture and the histogram in reds only.
  Night.on = true;
  page->ApplyNightMode();
  for (const QImage& drawn : {panel.Image_Preview->pixmap().toImage(), histogram.grab().toImage()}) {
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(NightRuleViolations({reinterpret_cast<const uint32_t*>(image.constBits()), image.width(),
                                   image.height(), static_cast<int>(image.bytesPerLine() / 4)})
                  .violations,
              0U);
  }
  Night = {};

  // The keys move the bias a third at a time up to +-3 EV; it stays for the next run.
  page->show();
  page->activateWindow();
  QCoreApplication::processEvents();
  const auto press = [this](Qt::Key key, int times) {
    for (int i = 0; i < times; ++i) {
      QTest::keyClick(page.get(), key, Qt::ControlModifier);
    }
  };
  press(Qt::Key_Up, 2);
  EXPECT_EQ(page->Engine().BiasThirds(), 2);
  EXPECT_EQ(page->SpinEdit_Bias->text(), "+2/3 EV");
  press(Qt::Key_Up, 12);
  EXPECT_EQ(page->Engine().BiasThirds(), MaxBiasThirds);
  press(Qt::Key_0, 1);
  page->SpinEdit_Bias->setFocus();  // the same with the focus in the box itself
  press(Qt::Key_Down, 1);
  EXPECT_EQ(page->Engine().BiasThirds(), -1);
  press(Qt::Key_Down, 11);
  EXPECT_EQ(page->Engine().BiasThirds(), -MaxBiasThirds);
  press(Qt::Key_0, 1);
  press(Qt::Key_Up, 3);
  rows = {test::Row("P1", "2024-03-25 10:00:00")};
  QString nextRow;
  onPump = [&] { nextRow = nextRow.isEmpty() ? page->Label_NextRow->text() : nextRow; };
  page->Button_Test_Eclipse_Photography->click();
  EXPECT_TRUE(nextRow.endsWith(QString::fromStdString(", " + ShutterNameOfColumn(12) + " (bias +1 EV)")))
      << nextRow.toStdString();  // a stop longer than the row's own column 11
  EXPECT_EQ(page->Engine().BiasThirds(), 3);
}

}  // namespace
}  // namespace tevra

// SPDX-License-Identifier: GPL-3.0-or-later
// The camera window on the simulated camera, driven through its handlers on the offscreen
// platform. The clock is a manual one and the pump is the test's, so nothing sleeps.
#include "windows/camera_window.h"

#include "camera/camera_status.h"
#include "camera/camera_window_rules.h"
#include "camera/setting_names.h"
#include "camera/simulated_camera.h"
#include "exposure/camera_ini.h"
#include "run/run_texts.h"
#include "state/variables.h"
#include "windows/photography_page.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace tevra {
namespace {

namespace fs = std::filesystem;

ComputerFacts FixedFacts() {
  ComputerFacts facts;
  facts.programVersion = "0.1.0.0";
  facts.productName = "Debian GNU/Linux 12 (bookworm)";
  facts.csdVersion = "6.1.0-18-amd64";
  facts.buildLab = "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)";
  facts.computerName = "telescope-pc";
  facts.userName = "observer";
  facts.tempFolder = "/tmp/";
  facts.programFolder = "/opt/tevra/";
  facts.documentsFolder = "/home/observer/Documents/Tevra/";
  facts.standardName = "Central European Standard Time";
  facts.standardDate = {2024, 10, 27, 3, 0, 0, 0, 0};
  facts.standardBias = -60;
  facts.currentBias = -60;
  facts.zoneState = ZoneStateStandard;
  facts.daylightName = "Central European Summer Time";
  facts.daylightDate = {2025, 3, 30, 2, 0, 0, 0, 0};
  facts.daylightBias = -120;
  return facts;
}

// A body with short lists: one shutter code that the name tables do not know.
SimulatorSettings SmallBody() {
  SimulatorSettings settings = SimulatorSettings::Default();
  settings.imageQualities = {0x13FF0F, 0x64FF0F};
  settings.aeModes = {0, 3};
  settings.isos = {0x48, 0x50, 0x58};
  settings.apertures = {0x30, 0x38};
  settings.shutterSpeeds = {0x10, 0x123, 0x68};
  return settings;
}

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

QColor TextColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

class CameraWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() /
            ("tevra-camera-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(base_);
    fs::create_directories(base_ / "documents");
    fs::create_directories(base_ / "program");
    DocumentsFolder = (base_ / "documents").string() + "/";
    ProgramFolder = (base_ / "program").string() + "/";
    CameraName.clear();
    CameraSettingLists.Clear();
    AbortTests = AbortTestRun = AbortRun = false;
    settings_ = SimulatorSettings::Default();
    settings_.processingMs = 0;
    settings_.callMs = settings_.writeMs = 0;  // the window's own times, not the body's
  }
  void TearDown() override {
    abortClick_.reset();
    form_.reset();
    sims_.clear();
    CameraName.clear();
    fs::remove_all(base_);
  }

  TForm_Camera& Form() {
    if (!form_) {
      CameraWindowHost host;
      host.createCamera = [this](std::string&) {
        sims_.push_back(std::make_shared<SimulatedCamera>(settings_, faults_, clock_));
        return sims_.back();
      };
      host.showMessage = [this](const std::string& caption, const std::string& text) {
        messages_.push_back(caption + "|" + text);
      };
      host.clock = &clock_;
      host.pump = [this] {
        ++pumps_;
        if (onPump_) {
          onPump_();
        }
        QCoreApplication::processEvents();
      };
      host.computerFacts = [] { return FixedFacts(); };
      host.computerState = [] {
        ComputerState state;
        state.clockSynchronised = state.keepAwake = true;
        return state;
      };
      host.localTime = [] { return LocalDateTime{2024, 3, 25, 7, 12, 5.3}; };
      host.runTable = [this] {
        return MakeRunTable(runRows_, ExposureColumnTitles("[UTC]"), runRows_.size());
      };
      host.runClock = &runClock_;
      host.runWaiter = runWaiterOverride_ != nullptr ? runWaiterOverride_ : &runWaiter_;
      host.askFolder = [this](const std::string&) { return askFolderAnswer_; };
      host.confirm = [this](const std::string& question) {
        asked_.push_back(question);
        return confirmAnswer_;
      };
      form_ = std::make_unique<TForm_Camera>(host);
    }
    return *form_;
  }
  SimulatedCamera& Sim() { return *sims_.back(); }
  // Lets the posted camera messages and the deferred work run to their end.
  static void Settle() {
    for (int i = 0; i < 10; ++i) {
      QCoreApplication::processEvents();
    }
  }
  void Connect() {
    Form().Button_ConnectClick();
    Settle();
  }
  // A click on "Abort" that waits in the event loop like any input.
  void AbortLater() {
    if (!abortClick_) {
      abortClick_ = std::make_unique<QTimer>();
      abortClick_->setSingleShot(true);
      QObject::connect(abortClick_.get(), &QTimer::timeout, Form().Button_Abort2, &QPushButton::click);
    }
    abortClick_->start(0);
  }
  // Property, parameter and code of the writes to the five settings so far.
  std::vector<std::string> SettingWrites() {
    std::vector<std::string> writes;
    for (const SimulatorCall& call : Sim().Calls()) {
      if (call.name == "SetPropertyData" && call.args.find(", 0xb,") == std::string::npos) {
        writes.push_back(call.args.substr(call.args.find(", ") + 2));
      }
    }
    return writes;
  }
  std::string Memo() { return Form().Memo_Test2->toPlainText().toStdString(); }
  std::string Ini() const { return ReadFile(DocumentsFolder + "Camera.ini"); }
  std::string Txt() const { return ReadFile(DocumentsFolder + "Camera.txt"); }
  bool IniExists() const { return fs::exists(DocumentsFolder + "Camera.ini"); }

  fs::path base_;
  ManualTickClock clock_{1000};
  SimulatorSettings settings_;
  SimulatorFaults faults_;
  std::vector<std::shared_ptr<SimulatedCamera>> sims_;
  std::vector<std::string> messages_;
  std::vector<std::string> asked_;
  bool confirmAnswer_ = false;
  std::string askFolderAnswer_;
  int pumps_ = 0;
  std::function<void()> onPump_;
  std::unique_ptr<TForm_Camera> form_;
  std::unique_ptr<QTimer> abortClick_;
  ExposureRows runRows_;
  ManualRunClock runClock_{clock_, 2460394.5};
  ManualRunWaiter runWaiter_{clock_};
  RunWaiter* runWaiterOverride_ = nullptr;
};

TEST_F(CameraWindow, ConnectionWritesTheLogFillsTheBoxesAndSetsTheCamera) {
  settings_ = SmallBody();
  Connect();
  TForm_Camera& f = Form();
  EXPECT_EQ(CameraName, "Canon EOS Simulated");
  EXPECT_EQ(f.LabelA->text(), "Camera : Canon EOS Simulated");
  EXPECT_EQ(TextColour(f.LabelA), QColor(0, 0, 0));
  EXPECT_EQ(f.Label6->text(), "Change the camera settings");
  EXPECT_EQ(TextColour(f.Label6), QColor(0, 0, 0));
  EXPECT_EQ(f.Label7->text(), "and press the Release button.");
  EXPECT_EQ(f.Label8->text(), "(Or operate the camera itself)");
  EXPECT_EQ(f.StatusText(), "Camera: Canon EOS Simulated");
  EXPECT_EQ(f.Edit1->text().toStdString(), DocumentsFolder + "Pictures/");
  EXPECT_TRUE(f.SpeedButton_Release->isEnabled());
  EXPECT_TRUE(f.Button_take_5_pictures->isEnabled());
  EXPECT_TRUE(f.Button_take_9_pictures->isEnabled());
  EXPECT_FALSE(f.Button_Abort2->isEnabled());
  EXPECT_EQ(Sim().Value(PropSaveTo), 1U);

  EXPECT_EQ(Ini(),
            "$$BOH\r\n"
            "Logfile creation date and time\r\n"
            "------------------------------\r\n"
            "2024-03-25 07:12:05.3\r\n"
            "\r\n"
            "Program information\r\n"
            "-------------------\r\n"
            "Tevra Version: 0.1.0.0\r\n"
            "\r\n"
            "Computer information\r\n"
            "--------------------\r\n"
            "Reg_ProductName         : Debian GNU/Linux 12 (bookworm)\r\n"
            "Reg_CSDVersion          : 6.1.0-18-amd64\r\n"
            "Reg_BuildLab            : #1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)\r\n"
            "Computer name           : telescope-pc\r\n"
            "User name               : observer\r\n"
            "\r\n"
            "Standard directories\r\n"
            "--------------------\r\n"
            "Windows temporary path  : /tmp/\r\n"
            "Windows application path: /opt/tevra/\r\n"
            "Windows documents path  : /home/observer/Documents/Tevra/\r\n"
            "\r\n"
            "Computer time zone settings\r\n"
            "---------------------------\r\n"
            "Computer standard name  : Central European Standard Time\r\n"
            "Computer standard date  : 2024 10 27 3 0 0 0 0\r\n"
            "Standard bias           : -60\r\n"
            "Current  bias           : -60\r\n"
            "Current  bias name      : Standard\r\n"
            "Computer daylight name  : Central European Summer Time\r\n"
            "Computer daylight date  : 2025 3 30 2 0 0 0 0\r\n"
            "DayLight bias           : -120\r\n"
            "\r\n"
            "Camera and connected optics information\r\n"
            "---------------------------------------\r\n"
            "$$EOH\r\n"
            "Canon EOS Simulated\r\n"
            "           2 number of Image quality settings\r\n"
            "     1310479     0013FF0F 0 JPGLarFin\r\n"
            "     6618895     0064FF0F 0 RAW\r\n"
            "           2 number of AEmode settings\r\n"
            "           0     00000000 0 P\r\n"
            "           3     00000003 0 M\r\n"
            "           3 number of ISO speed settings\r\n"
            "          72     00000048 0 100\r\n"
            "          80     00000050 0 200\r\n"
            "          88     00000058 0 400\r\n"
            "           2 number of Av (Aperture value) settings\r\n"
            "          48     00000030 0 f/5.6\r\n"
            "          56     00000038 0 f/8\r\n"
            "           3 number of Tv (Time value) settings\r\n"
            "          16     00000010 0 30\"\r\n"
            "         291     00000123 0 \r\n"
            "         104     00000068 0 1/60\r\n");

  const auto items = [](const QComboBox* box) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(box->count()));
    for (int i = 0; i < box->count(); ++i) {
      texts.push_back(box->itemText(i).toStdString());
    }
    return texts;
  };
  EXPECT_EQ(items(f.ComboBox_IQ), (std::vector<std::string>{"JPGLarFin", "RAW"}));
  EXPECT_EQ(items(f.ComboBox_ISO), (std::vector<std::string>{"100", "200", "400"}));
  EXPECT_EQ(items(f.ComboBox_Av), (std::vector<std::string>{"f/5.6", "f/8"}));
  EXPECT_EQ(items(f.ComboBox_Tv), (std::vector<std::string>{"30\"", "0x00000123", "1/60"}));
  EXPECT_EQ(f.ComboBox_AEmode->count(), 0);
  EXPECT_FALSE(f.ComboBox_AEmode->isEnabled());
  EXPECT_EQ(f.ComboBox_IQ->currentText(), "JPGLarFin");
  EXPECT_EQ(f.ComboBox_Tv->currentText(), "1/60");

  // The writes of the connection, in order: the first IQ, ISO and aperture, the last shutter time.
  EXPECT_EQ(SettingWrites(), (std::vector<std::string>{"0x100, 0, 0x13ff0f", "0x402, 0, 0x48",
                                                       "0x405, 0, 0x30", "0x406, 0, 0x68"}));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(CameraWindow, NotDetectedAndANewConnectionAfterPluggingIn) {
  faults_.noCamera = true;
  Connect();
  TForm_Camera& f = Form();
  EXPECT_EQ(CameraName, "");
  EXPECT_EQ(f.LabelA->text(), "Camera : Camera is not detected");
  EXPECT_EQ(TextColour(f.LabelA), QColor(128, 128, 128));
  EXPECT_EQ(f.Label6->text(), "Sorry: Camera is not detected!");
  EXPECT_EQ(TextColour(f.Label6), QColor(255, 0, 0));
  EXPECT_EQ(f.Label7->text(), "Check Power and connection.");
  EXPECT_EQ(f.Label8->text(), "Then restart the application.");
  EXPECT_EQ(f.StatusText(), "Camera: ");
  EXPECT_FALSE(f.SpeedButton_Release->isEnabled());
  EXPECT_FALSE(f.Button_take_5_pictures->isEnabled());
  EXPECT_FALSE(IniExists());
  ASSERT_NE(f.AppMaster(), nullptr);  // kept until the next attempt

  faults_.noCamera = false;
  Connect();
  ASSERT_EQ(sims_.size(), 2U);
  // The first library was ended before the second was started.
  EXPECT_EQ(sims_[0]->CallNames().back(), "TerminateSdk");
  EXPECT_EQ(CameraName, "Canon EOS Simulated");
  EXPECT_EQ(f.Label6->text(), "Change the camera settings");
  EXPECT_TRUE(IniExists());
}

// A body that is found but never opens its session is told as such, with its answer; nothing is
// read from it and no Camera.ini is written.
TEST_F(CameraWindow, SessionThatDoesNotOpenIsReportedWithItsStatus) {
  faults_.disconnectAtCall = 9;  // OpenSession and everything after it
  Connect();
  ASSERT_EQ(sims_[0]->CallNames()[8], "OpenSession");
  TForm_Camera& f = Form();
  EXPECT_EQ(f.StatusText(), "The camera does not open its session: Sts=192 (" +
                                std::string(CameraStatusText(CamDisconnected)) + ")");
  EXPECT_EQ(f.LabelA->text(), "Camera : Canon EOS Simulated");
  EXPECT_EQ(f.Label6->text(), "Sorry: Camera does not open its session!");
  EXPECT_EQ(CameraName, "");
  EXPECT_FALSE(f.SpeedButton_Release->isEnabled());
  EXPECT_FALSE(IniExists());
  EXPECT_TRUE(messages_.empty());  // not the manual-mode message
}

TEST_F(CameraWindow, ConnectWhileConnectedAndDisconnectWithoutAConnection) {
  std::ofstream(DocumentsFolder + "Camera.ini") << "left over";
  Form().Button_DisconnectClick();
  EXPECT_EQ(Form().Label6->text(), "Camera is now disconnected.");
  EXPECT_EQ(TextColour(Form().Label6), QColor(255, 0, 0));
  EXPECT_EQ(Form().LabelA->text(), "Camera : ");
  EXPECT_EQ(Form().StatusText(), "Camera : ");
  EXPECT_EQ(Txt(), "left over");
  EXPECT_FALSE(IniExists());

  Connect();
  TAppMaster* master = Form().AppMaster();
  Form().Edit1->setText(QStringLiteral("elsewhere"));
  const size_t calls = Sim().Calls().size();
  Connect();
  EXPECT_EQ(sims_.size(), 1U);
  EXPECT_EQ(Form().AppMaster(), master);
  EXPECT_EQ(Sim().Calls().size(), calls);
  EXPECT_EQ(Form().Edit1->text().toStdString(), DocumentsFolder + "Pictures/");
  EXPECT_FALSE(IniExists());  // deleted, and not written again
  EXPECT_EQ(CameraName, "Canon EOS Simulated");
}

TEST_F(CameraWindow, InformationLogLifeCycle) {
  Connect();
  const std::string first = Ini();
  Form().Button_DisconnectClick();
  EXPECT_EQ(Txt(), first);
  EXPECT_FALSE(IniExists());
  EXPECT_EQ(Form().AppMaster(), nullptr);
  EXPECT_FALSE(Form().SpeedButton_Release->isEnabled());

  settings_.model = "Canon EOS Second";
  Connect();
  EXPECT_NE(Ini().find("$$EOH\r\nCanon EOS Second\r\n"), std::string::npos);
  EXPECT_EQ(Txt(), first);  // the previous log stays until the next disconnection
  Form().close();           // closing the window disconnects
  EXPECT_TRUE(AbortRun);
  EXPECT_NE(Txt().find("Canon EOS Second"), std::string::npos);
  EXPECT_EQ(CameraName, "");
}

TEST_F(CameraWindow, LogThatCannotBeWrittenIsReportedAndTheConnectionGoesOn) {
  DocumentsFolder = (base_ / "missing").string() + "/";
  Connect();
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_NE(messages_[0].find(DocumentsFolder + "Camera.ini"), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find("No such file or directory"), std::string::npos) << messages_[0];
  EXPECT_EQ(Form().Label6->text(), "Change the camera settings");
  EXPECT_TRUE(Form().SpeedButton_Release->isEnabled());
  EXPECT_GT(Form().ComboBox_Tv->count(), 0);
}

TEST_F(CameraWindow, EmptyShutterListDisconnectsAndTheProgramGoesOn) {
  settings_ = SmallBody();
  settings_.aeMode = 0;  // P: the body offers no shutter times and no apertures
  Connect();
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_EQ(messages_[0],
            "Camera is not in manual mode \"M\" !|Set Camera to manual mode \"M\" and restart.\r\n"
            "The camera is now disconnected; connect it again after setting \"M\".");
  EXPECT_EQ(SettingWrites(), (std::vector<std::string>{"0x100, 0, 0x13ff0f", "0x402, 0, 0x48"}));
  EXPECT_EQ(CameraName, "");
  EXPECT_EQ(Form().AppMaster(), nullptr);
  EXPECT_EQ(Form().Label6->text(), "Camera is now disconnected.");
  EXPECT_FALSE(Form().SpeedButton_Release->isEnabled());
  EXPECT_FALSE(IniExists());
  EXPECT_NE(Txt().find("           0 number of Tv (Time value) settings\r\n"), std::string::npos);

  settings_.aeMode = 3;  // set to M: connecting again works
  Connect();
  EXPECT_EQ(CameraName, "Canon EOS Simulated");
}

TEST_F(CameraWindow, SettingsWorkBothWays) {
  settings_ = SmallBody();
  Connect();
  TForm_Camera& f = Form();
  Sim().Faults().refusedWrites[PropIso] = CamRefused;
  f.ComboBox_ISO->setCurrentIndex(2);
  Q_EMIT f.ComboBox_ISO->activated(2);
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_EQ(messages_[0],
            "Tevra|Cannot set new value...\rError in ComboBox.ISOChange()\rSelect_____=2\r"
            "Prop.Propid_=00000058\rProp.PropStr=400\rErr_______=195");
  EXPECT_EQ(f.ComboBox_ISO->currentText(), "100");  // back to the camera's value

  f.ComboBox_Av->setCurrentIndex(1);
  Q_EMIT f.ComboBox_Av->activated(1);
  EXPECT_EQ(Sim().Value(PropAv), 0x38U);

  Sim().ChangeOnCamera(PropTv, 0x10);  // the dial turned on the body
  Settle();
  EXPECT_EQ(f.ComboBox_Tv->currentText(), "30\"");
  Sim().ChangeOnCamera(PropTv, 0x99);  // a value the box does not offer: no selection
  Settle();
  EXPECT_EQ(f.ComboBox_Tv->currentIndex(), -1);

  // A new mode changes the accepted lists, not the boxes.
  Sim().ChangeOnCamera(PropAEMode, 2);
  Settle();
  EXPECT_EQ(CameraSettingLists[KindShutter].Count(), 0U);
  EXPECT_EQ(f.ComboBox_Tv->count(), 3);
  EXPECT_EQ(messages_.size(), 1U);
}

TEST_F(CameraWindow, SeriesWhereEveryReleaseWorksAtOnce) {
  Connect();
  Form().Button_take_5_picturesClick();
  EXPECT_EQ(Memo(),
            "1x released: 1 picture   taken ...  0 ms +5 ms pause,\n5ms\n"
            "2x released: 2 pictures taken ...  0 ms +5 ms pause,\n5ms\n"
            "3x released: 3 pictures taken ...  0 ms +5 ms pause,\n5ms\n"
            "4x released: 4 pictures taken ...  0 ms +5 ms pause,\n5ms\n"
            "5x released: 5 pictures taken ...  0 ms +5 ms pause,\n5ms\nOK!");
  EXPECT_EQ(Sim().PicturesTaken(), 5);
  EXPECT_TRUE(Form().SpeedButton_Release->isVisibleTo(&Form()));
  EXPECT_TRUE(Form().Button_take_9_pictures->isEnabled());
  EXPECT_FALSE(Form().Button_Abort2->isEnabled());

  Form().Button_take_9_picturesClick();
  std::string nine;
  for (int n = 1; n <= 9; ++n) {
    nine += std::to_string(n) + "x released. Picture () taken,\n";
  }
  EXPECT_EQ(Memo(), nine + "OK!");
  EXPECT_EQ(Form().StatusText(), "Status=0 Trials=1 ");
  Settle();  // the pictures offered for transfer were kept until the series ended
  EXPECT_TRUE(fs::exists(DocumentsFolder + "Pictures/IMG_0014.JPG"));
}

TEST_F(CameraWindow, ReleaseThatNeedsTheLastCallCountsInTheFiveSeriesOnly) {
  Connect();
  Sim().Faults().busyCalls = 4999;
  Form().Button_take_5_picturesClick();
  EXPECT_EQ(Memo().substr(0, Memo().find('\n')), "1x released: 1 picture   taken ...  0 ms +5 ms pause,");
  EXPECT_TRUE(Memo().ends_with("\nOK!"));

  Sim().Faults().busyCalls = 4999;
  Form().Button_take_9_picturesClick();
  EXPECT_EQ(Memo().substr(0, Memo().find('\n')), "1x released. Picture () failed to release!,");
  EXPECT_TRUE(Memo().ends_with("9x released. Picture () taken,\n1 pictures LOST!"));
}

TEST_F(CameraWindow, AbortDuringTheThirdPicture) {
  Connect();
  onPump_ = [this] {
    if (Sim().PicturesTaken() == 3 && Form().Button_Abort2->isEnabled()) {
      Form().Button_Abort2->click();
    }
  };
  Form().Button_take_5_picturesClick();
  EXPECT_EQ(Memo(),
            "1x released: 1 picture   taken ...  0 ms +5 ms pause,\n5ms\n"
            "2x released: 2 pictures taken ...  0 ms +5 ms pause,\n5ms\n"
            "3x released: 3 pictures taken ...  0 ms +5 ms pause,\nTest aborted by user.");

  onPump_ = [this] {
    if (Sim().PicturesTaken() == 6 && Form().Button_Abort2->isEnabled()) {
      Form().Button_Abort2->click();
    }
  };
  Form().Button_take_9_picturesClick();
  EXPECT_EQ(Memo(),
            "1x released. Picture () taken,\n2x released. Picture () taken,\n3x released. Picture () taken,\n"
            "Test aborted by user.");
}

TEST_F(CameraWindow, AbortGetsThroughWhileTheCameraStaysBusy) {
  Connect();
  Sim().Faults().busyWindows.emplace_back(0, INT64_MAX);
  int64_t clickedAt = -1;
  const int64_t start = clock_.NowMs();
  onPump_ = [&] {
    if (clickedAt < 0 && clock_.NowMs() >= start + 30000) {
      clickedAt = clock_.NowMs();
      AbortLater();
    }
  };
  Form().Button_take_9_picturesClick();
  ASSERT_GE(clickedAt, 0);
  EXPECT_LE(clock_.NowMs() - clickedAt, 100);
  EXPECT_EQ(Memo(), "1x released. Picture () failed to release!,\nTest aborted by user.");

  pumps_ = 0;
  onPump_ = [&] {
    if (pumps_ == 50) {
      AbortLater();
    }
  };
  Form().Button_take_5_picturesClick();
  EXPECT_LT(pumps_, 100);
  EXPECT_EQ(Memo(), "1x released: 0 pictures taken ...  0 ms +5 ms pause,\nTest aborted by user.");
}

TEST_F(CameraWindow, DisconnectDuringASlowReleaseWaitsForTheCall) {
  Connect();
  Sim().Faults().slowCallMs = 12000;  // a long exposure, within the release's deadline
  bool clicked = false;
  TAppMaster* duringCall = nullptr;
  onPump_ = [&] {
    if (!clicked) {
      clicked = true;
      Form().Button_DisconnectClick();
      Form().Button_ConnectClick();
      Form().SpeedButton_ReleaseClick();
      duringCall = Form().AppMaster();
    }
  };
  const int64_t start = clock_.NowMs();
  Form().SpeedButton_ReleaseClick();
  EXPECT_GE(pumps_, 1200);  // the window was kept alive all through the exposure
  EXPECT_NE(duringCall, nullptr);
  EXPECT_EQ(Sim().PicturesTaken(), 1);
  EXPECT_EQ(clock_.NowMs() - start, 12000);
  onPump_ = nullptr;
  Settle();
  EXPECT_EQ(Form().AppMaster(), nullptr);
  EXPECT_EQ(CameraName, "");
  EXPECT_EQ(Form().Label6->text(), "Camera is now disconnected.");
  EXPECT_EQ(sims_.size(), 1U);
}

TEST_F(CameraWindow, DownloadMovesTheProgressBarBackToZero) {
  Connect();
  std::vector<int> shown;
  onPump_ = [&] { shown.push_back(Form().ProgressBar1->value()); };
  const int64_t start = clock_.NowMs();
  Form().SpeedButton_ReleaseClick();
  Settle();
  EXPECT_GT(fs::file_size(DocumentsFolder + "Pictures/IMG_0001.JPG"), 0U);
  EXPECT_FALSE(fs::exists(ProgramFolder + "IMG_0001.JPG"));
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), 100);  // held at 100 for half a second
  EXPECT_GE(clock_.NowMs() - start, 500);
  EXPECT_EQ(Form().ProgressBar1->value(), 0);

  // Another folder chosen: it stays through a new connection.
  askFolderAnswer_ = (base_ / "missing").string();
  Form().SpeedButton1->click();
  Connect();
  EXPECT_EQ(Form().Edit1->text().toStdString(), askFolderAnswer_ + "/");
  Form().SpeedButton_ReleaseClick();
  Settle();
  EXPECT_EQ(Form().StatusText(), "Download error occurred! Cannot create a file in " +
                                     (base_ / "missing").string() + "/: No such file or directory");
}

TEST_F(CameraWindow, LogWrittenHereGivesTheExposureReaderTheSameLists) {
  Connect();
  CameraSettingListSet read;
  ASSERT_EQ(ReadCameraIniLists(Ini(), read), "");
  for (int kind = 0; kind < SettingKindCount; ++kind) {
    const auto codes = CameraSettingLists[kind].Codes();
    EXPECT_GT(codes.size(), 0U);
    EXPECT_TRUE(std::ranges::equal(read[kind].Codes(), codes)) << "kind " << kind;
  }
}

TEST_F(CameraWindow, LayoutPlacementTabHeightAndExplanations) {
  TForm_Camera& f = Form();
  EXPECT_EQ(f.windowTitle(), "Tevra - Camera Form");
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.size(), QSize(CameraClientWidth, CameraClientHeight));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(f.pos(), QPoint((screen.width() - CameraClientWidth) / 2, screen.height() - 340));
  ASSERT_EQ(f.PageControl1->count(), 3);
  EXPECT_EQ(f.PageControl1->currentIndex(), 0);
  EXPECT_EQ(f.PageControl1->widget(2), f.TabSheet_Photography);
  EXPECT_TRUE(f.Panel_SaveFolder->isVisibleTo(&f));

  f.setFixedHeight(420);  // as a taller page might leave it
  f.PageControl1->setCurrentIndex(1);
  EXPECT_EQ(f.height(), CameraClientHeight);

  Connect();
  f.show();
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(f.Button_take_9_pictures, &move);
  EXPECT_EQ(
      f.Label_Test2_Expl->text(),
      "When pressing this button, 9 exposures (increasing exposure times) will be taken and stored in the "
      "camera. After this test, check the image data on the camera.");
  EXPECT_EQ(f.focusWidget(), f.Button_take_9_pictures);
}

TEST_F(CameraWindow, PhotographyPageRunsTheTableOnTheConnectedCamera) {
  ExposureRow row;
  row[ColumnLabel] = "P1";
  row[ColumnDateTime] = "2024-03-25 10:00:00";
  row[ColumnQuality] = "RAW";
  row[ColumnIso] = "800";
  row[ColumnAperture] = "f/8";
  row[19] = "x";
  runRows_ = {row};
  Connect();
  Sim().ClearCalls();
  Form().Photography->Engine().SetLogFolder("");
  // The test commands are disabled while the run owns the camera, and a click on "Release" then
  // is refused.
  TForm_Camera& f = Form();
  bool testCommandsEnabled = true;
  QTimer releaseClick;
  releaseClick.setSingleShot(true);
  QObject::connect(&releaseClick, &QTimer::timeout, [&f, &testCommandsEnabled] {
    testCommandsEnabled = f.SpeedButton_Release->isEnabled() || f.Button_take_5_pictures->isEnabled() ||
                          f.Button_take_9_pictures->isEnabled();
    f.SpeedButton_Release->click();
  });
  releaseClick.start(0);
  f.Photography->Button_Test_Eclipse_Photography->click();
  EXPECT_FALSE(testCommandsEnabled);
  EXPECT_TRUE(f.SpeedButton_Release->isEnabled() && f.Button_take_5_pictures->isEnabled() &&
              f.Button_take_9_pictures->isEnabled());
  EXPECT_EQ(Sim().PicturesTaken(), 1);
  EXPECT_EQ(Form().Photography->LastSummary().picturesTaken, 1);
  EXPECT_EQ(SettingWrites(), (std::vector<std::string>{"0x100, 0, 0x64ff0f", "0x402, 0, 0x60",
                                                       "0x405, 0, 0x38", "0x406, 0, 0x38"}));
  EXPECT_EQ(Form().StatusText().substr(0, 13), "Picture taken");
  Settle();
}

// The body drops off during a run: the window lets its session go and gives the run a new one on
// the body found again, and the row is served there.
TEST_F(CameraWindow, PhotographyRunCarriesOnWithTheCameraFoundAgain) {
  runRows_ = {ExposureRow{}};
  runRows_[0][ColumnLabel] = "P1";
  runRows_[0][ColumnDateTime] = "2024-03-25 10:00:00";
  runRows_[0][19] = "x";
  Connect();
  Sim().Faults().disconnectAtCall = 1;  // this body is gone; the next one found works
  Form().Photography->Engine().SetLogFolder("");
  Form().Photography->Button_Test_Eclipse_Photography->click();
  ASSERT_EQ(sims_.size(), 2U);
  EXPECT_EQ(sims_[0]->PicturesTaken(), 0);
  EXPECT_EQ(sims_[1]->PicturesTaken(), 1);
  EXPECT_TRUE(sims_[1]->IsSessionOpen());
  EXPECT_EQ(sims_[1]->Value(PropSaveTo), 1U);
  EXPECT_EQ(Form().Photography->LastSummary().reconnections, 1);
  EXPECT_EQ(CameraName, "Canon EOS Simulated");
  EXPECT_EQ(Form().StatusText().substr(0, 13), "Picture taken");
  Settle();
}

// "Check Before the Night" on the window: why the last connection found no camera, then what the
// connected body reports.
TEST_F(CameraWindow, CheckBeforeTheNightNamesWhyNoCameraAndThenTheBodysState) {
  const auto checked = [this] {
    Form().Photography->Button_Check->click();
    std::string lines;
    for (int i = 0; i < Form().Photography->List_Check->count(); ++i) {
      lines += Form().Photography->List_Check->item(i)->text().toStdString() + "\n";
    }
    return lines;
  };
  faults_.noCamera = true;
  Connect();
  EXPECT_NE(checked().find("PROBLEM  Camera: not found. Nothing answers on USB"), std::string::npos);
  faults_.noCamera = false;
  settings_.focusMode = FocusModeOneShot;
  Connect();
  const std::string lines = checked();
  EXPECT_NE(lines.find("OK       Camera: Canon EOS Simulated found\n"), std::string::npos) << lines;
  EXPECT_NE(lines.find("PROBLEM  Focus mode: AF."), std::string::npos) << lines;
}

// Waits as the event loop does: the program's events go on in 10 ms steps.
class EventStepWaiter final : public RunWaiter {
 public:
  EventStepWaiter(ManualTickClock& ticks, std::function<void()> events)
      : ticks_(ticks), events_(std::move(events)) {}
  void Sleep(double ms) override {
    for (auto left = std::max<int64_t>(1, static_cast<int64_t>(ms)); left > 0; left -= 10) {
      ticks_.Advance(std::min<int64_t>(left, 10));
      events_();
    }
  }
  void Yield() override { ticks_.Advance(1); }

 private:
  ManualTickClock& ticks_;
  std::function<void()> events_;
};

// A start run right after a test run was aborted while the body still exposes and writes its
// picture (some 30 s): the windows get their events at least every 100 ms throughout, also while
// the check before the night reads the body and while the run waits for the busy body.
TEST_F(CameraWindow, StartRunAfterAnAbortedLongExposureKeepsTheWindowsAlive) {
  settings_.processingMs = 22000;
  settings_.callMs = 9;  // a body on USB
  settings_.writeMs = 9;
  for (const char* time : {"2024-03-25 00:00:20", "2024-03-25 00:01:00"}) {
    ExposureRow row;
    row[ColumnLabel] = "P1";
    row[ColumnDateTime] = time;
    row[22] = "x";  // 8 s
    runRows_.push_back(row);
  }
  int64_t last = clock_.NowMs();
  int64_t longest = 0;
  const auto events = [&] {
    longest = std::max(longest, clock_.NowMs() - last);
    last = clock_.NowMs();
  };
  EventStepWaiter waiter(clock_, [&] {
    events();
    QCoreApplication::processEvents();
  });
  runWaiterOverride_ = &waiter;
  Connect();
  onPump_ = events;
  TPhotographyPage& page = *Form().Photography;
  page.Engine().SetLogFolder("");
  int64_t releasedAt = 0;
  page.Engine().SetPump([&] {
    events();
    if (Sim().PicturesTaken() == 1 && releasedAt == 0) {
      releasedAt = clock_.NowMs();
    }
    if (page.Button_Abort_Test->isEnabled() && releasedAt != 0 && clock_.NowMs() - releasedAt > 3000) {
      page.Button_Abort_Test->click();
    }
    if (Sim().PicturesTaken() == 2) {
      page.Button_Abort_Foto->click();
    }
  });
  page.Button_Test_Eclipse_Photography->click();
  ASSERT_TRUE(page.LastSummary().aborted);
  longest = 0;
  last = clock_.NowMs();
  {
    // Clicked while the window fetches the test run's picture: the run does not begin inside that
    // camera call but from the event loop, once it has ended.
    const TForm_Camera::CameraActivity fetching(Form());
    page.Button_Start_Eclipse_Photography->click();
    EXPECT_EQ(Form().StatusText(), WaitingForCameraText);
  }
  EXPECT_EQ(Sim().PicturesTaken(), 1);
  Settle();
  EXPECT_EQ(Sim().PicturesTaken(), 2);
  EXPECT_LE(longest, 100);
  Settle();
}

// Closing the window and Disconnect ask before they end a start run; No, the default, keeps it.
TEST_F(CameraWindow, ClosingOrDisconnectingAsksBeforeEndingAStartRun) {
  runRows_ = {ExposureRow{}};
  runRows_[0][ColumnLabel] = "P1";
  runRows_[0][ColumnDateTime] = "2024-03-25 00:00:05";
  runRows_[0][19] = "x";
  Connect();
  EclipseRun& run = Form().Photography->Engine();
  run.SetLogFolder("");
  int step = 0;
  run.SetPump([&] {
    if (step == 0) {
      ++step;
      Form().close();
    } else if (step == 1) {
      ++step;
      Form().Button_Disconnect->click();
    } else if (step == 2) {
      ++step;
      confirmAnswer_ = true;
      Form().Button_Disconnect->click();
    }
  });
  Form().Photography->Button_Start_Eclipse_Photography->click();
  EXPECT_EQ(asked_, (std::vector<std::string>{StopRunToExitQuestion, StopRunToDisconnectQuestion,
                                              StopRunToDisconnectQuestion}));
  EXPECT_TRUE(Form().Photography->LastSummary().aborted);
  EXPECT_EQ(Sim().PicturesTaken(), 0);
  Settle();
  EXPECT_EQ(CameraName, "");  // disconnected once the run had ended
  Form().close();             // no run: no question
  EXPECT_EQ(asked_.size(), 3U);
}

}  // namespace
}  // namespace tevra

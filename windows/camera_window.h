// SPDX-License-Identifier: GPL-3.0-or-later
// TForm_Camera: the camera window. It connects and disconnects the camera, writes the camera
// information log, shows the camera's settings both ways, releases the shutter, fires picture
// series, and takes the camera's messages (changed settings, pictures to download, progress).
#pragma once

#include "camera/appmaster.h"
#include "camera/camera_log.h"
#include "camera/camera_sdk.h"
#include "run/eclipse_run.h"
#include "timing/tick_clock.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace tevra {

enum class ConnectionState;

// What the window needs from outside; tests replace the camera, the clock and the dialogs.
struct CameraWindowHost {
  // Makes the camera library for one connection; null with error set when it cannot. Default:
  // the camera chosen by the environment (TEVRA_CAMERA ...).
  std::function<std::shared_ptr<CameraSdk>(std::string& error)> createCamera;
  // A message box with one OK button: caption, text. Default: QMessageBox.
  std::function<void(const std::string&, const std::string&)> showMessage;
  // The clock of every wait. Null: the computer's tick counter.
  TickClock* clock = nullptr;
  // Lets input and painting through while the window works with the camera. Default: process
  // the application's pending events.
  std::function<void()> pump;
  // The computer and the time the information log describes. Default: this computer, now.
  std::function<ComputerFacts()> computerFacts;
  std::function<LocalDateTime()> localTime;
  // The exposure table for the photography run. Default: no table.
  std::function<RunTable()> runTable;
  // Marks the row the run serves in the exposure table's grid (counted from 1; 0: none).
  std::function<void(size_t)> markRunRow;
  // The run's clock and waits. Null: the computer's clock and a nested event loop.
  RunClock* runClock = nullptr;
  RunWaiter* runWaiter = nullptr;
  // What the check before the night reads of this computer. Default: this computer, now.
  std::function<ComputerState()> computerState;
  // The folder chosen for the pictures, given the present one; "" when cancelled. Default: a
  // folder dialog.
  std::function<std::string(const std::string&)> askFolder;
  // A question with Yes and No, true for Yes. Default: a message box whose default button is No.
  std::function<bool(const std::string&)> confirm;
};

class TPhotographyPage;

class TForm_Camera : public QMainWindow {
  Q_OBJECT

 public:
  // Created hidden; installs its camera-message filter on the application.
  explicit TForm_Camera(CameraWindowHost host = {}, QWidget* parent = nullptr);
  ~TForm_Camera() override;
  TForm_Camera(const TForm_Camera&) = delete;
  TForm_Camera& operator=(const TForm_Camera&) = delete;

  // The session with the connected camera; null when none was created. A manager exists also
  // after a connection that found no camera (CameraName empty) until the next connection.
  [[nodiscard]] TAppMaster* AppMaster() const { return appMaster_.get(); }

  // True when no start run is under way, or the user agrees to stop it with question (then the
  // run is told to stop); false leaves the run going.
  bool MayStopRun(const char* question);
  // True when no start run is under way, or the user answers Yes to question.
  bool AskDuringStartRun(const char* question);

  // Marks camera work in progress (one call, a series, a run) for its lifetime. Meanwhile the
  // camera messages wait, and the window's own commands that would call the camera are refused;
  // input and painting still go on through Pump. A disconnection asked for meanwhile sets the
  // three abort flags and follows once the work has ended.
  class CameraActivity {
   public:
    explicit CameraActivity(TForm_Camera& form);
    ~CameraActivity();
    CameraActivity(const CameraActivity&) = delete;
    CameraActivity& operator=(const CameraActivity&) = delete;

   private:
    TForm_Camera& form_;
  };
  [[nodiscard]] bool CameraBusy() const { return busyDepth_ > 0; }
  // Runs work at once when no camera work is under way, else from the event loop after the work
  // (and the camera messages it held back) has ended.
  void AfterCameraWork(std::function<void()> work);

  // Processes pending input and painting (the host's pump).
  void Pump();
  // Waits ms milliseconds on the window's clock, pumping all the while.
  void Wait(int64_t ms);
  [[nodiscard]] TickClock& Clock() const { return *clock_; }

  // The status bar's one panel.
  void SetStatusText(const std::string& text);
  [[nodiscard]] std::string StatusText() const;

  // Event handlers, named after component and event.
  void FormCreate();
  void FormClose();
  void PageControl1Change();
  void Button_ConnectClick();
  void Button_DisconnectClick();
  void SpeedButton1Click();
  void ComboBox_IQChange();
  void ComboBox_AEmodeChange();
  void ComboBox_ISOChange();
  void ComboBox_AvChange();
  void ComboBox_TvChange();
  void ShowCurrentValue(uint32_t propertyId);
  void SpeedButton_ReleaseClick();
  void Button_take_5_picturesClick();
  void Button_take_9_picturesClick();
  void Button_take_5_picturesMouseMove();
  void Button_take_9_picturesMouseMove();
  void Button_Abort2Click();
  // The colours the window chooses itself, through the night view (state/night_mode.h).
  void ApplyNightMode();
  // Handles the three camera messages; true when the event was one of them.
  bool ApplicationEvents1Message(const QEvent& event);

  // Components, by their design names.
  QWidget* Panel_Top = nullptr;
  QPushButton* Button_Connect = nullptr;
  QPushButton* Button_Disconnect = nullptr;
  QLabel* LabelA = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet_Interactive = nullptr;
  QWidget* TabSheet_Advanced = nullptr;
  // The page of the eclipse photography run and the run's controls on it.
  QWidget* TabSheet_Photography = nullptr;
  TPhotographyPage* Photography = nullptr;
  QLabel* Label_IQ = nullptr;
  QComboBox* ComboBox_IQ = nullptr;
  QLabel* Label_AEmode = nullptr;
  QComboBox* ComboBox_AEmode = nullptr;
  QLabel* Label_ISO = nullptr;
  QComboBox* ComboBox_ISO = nullptr;
  QLabel* Label_Av = nullptr;
  QComboBox* ComboBox_Av = nullptr;
  QLabel* Label_Tv = nullptr;
  QComboBox* ComboBox_Tv = nullptr;
  QLabel* Label_Test1_Expl = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QToolButton* SpeedButton_Release = nullptr;
  QLabel* Label_Test2_Expl = nullptr;
  QPlainTextEdit* Memo_Test2 = nullptr;
  QPushButton* Button_take_5_pictures = nullptr;
  QPushButton* Button_take_9_pictures = nullptr;
  QPushButton* Button_Abort2 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QWidget* Panel_SaveFolder = nullptr;
  QLabel* Label_SaveFolder = nullptr;
  QLineEdit* Edit1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct CameraMessage {
    int message;
    uint64_t wParam;
    uint64_t lParam;
  };

  void BuildComponents();
  void BuildInteractivePage();
  void BuildAdvancedPage();
  void BuildSaveFolderPanel();
  void BuildPhotographyPage();
  // A new session with the camera after it dropped off during a run; null while it is not back.
  TAppMaster* ReopenCamera();
  // The check before the night of the connected camera (null: none), this computer and the table.
  std::vector<CheckLine> CheckBeforeTheNight(TAppMaster* camera);
  void ApplyLabels(ConnectionState state);
  void ShowMessage(const std::string& caption, const std::string& text);
  // Writes the selected code of a box; false when the box has no selection.
  bool SettingChange(QComboBox* box, uint32_t propertyId);
  void NotInManualMode();
  void FillSettingBox(QComboBox* box, int kind);
  void WriteInformationLog();
  void SetTestButtonsEnabled(bool enabled);
  // Release, "Take 5 pictures", "Take 9 pictures".
  [[nodiscard]] std::array<QWidget*, 3> TestCommands() const;
  void StartSeries();
  void FinishSeries(bool focusMemo);
  void HandleCameraMessage(const CameraMessage& message);
  void ScheduleDeferredWork();
  void RunDeferredWork();
  void EndActivity();

  CameraWindowHost host_;
  TickClock* clock_;
  std::shared_ptr<CameraSdk> sdk_;
  std::unique_ptr<TAppMaster> appMaster_;
  std::string chosenFolder_;  // the save folder the user chose; "" for the default one
  QLabel* statusPanel_ = nullptr;
  int busyDepth_ = 0;
  // While a run holds the camera the test commands are disabled; their states return after it.
  bool runHoldsCamera_ = false;
  std::array<bool, 3> heldCommands_{};
  bool disconnectPending_ = false;
  QTimer* deferredTimer_ = nullptr;
  std::deque<CameraMessage> deferred_;
  std::deque<std::function<void()>> afterWork_;
  // How the last connection ended: 0 when none was tried or it found the camera.
  uint32_t connectStatus_ = 0;
};

// Client area of the design and the window height after a tab change.
constexpr int CameraClientWidth = 1012;
constexpr int CameraClientHeight = 276;
constexpr int CameraTabChangeHeight = 310;

}  // namespace tevra

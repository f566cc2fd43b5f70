// SPDX-License-Identifier: GPL-3.0-or-later
// The page "Eclipse Photography" of the camera window: the two runs, abort, rehearsal time, the
// announcement banner, the last picture's preview and the exposure bias, on the run engine. The
// page is the engine's sink; the run waits in a nested event loop, so the main window's clock
// keeps ticking and every button keeps working.
#pragma once

#include "run/announcement_voice.h"
#include "run/eclipse_run.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QDialog;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace tevra {

class KeepAwake;
class TPreviewPanel;

// What the page needs from the windows around it; tests replace each part.
struct PhotographyPageHost {
  // The exposure table as the exposure window's grid holds it; the run reads each row from it again
  // when it reaches the row.
  std::function<RunTable()> table;
  // Marks the row the run serves in the exposure window's grid (counted from 1; 0: none).
  std::function<void(size_t)> markRow;
  // The connected camera's manager; null without a camera (the run then simulates).
  std::function<TAppMaster*()> camera;
  // Opens the camera again after it dropped off during a run (EclipseRun::SetReconnect). Unset,
  // the run retries a disconnected camera like a busy one.
  std::function<TAppMaster*()> reopenCamera;
  // Marks camera work for the whole run (the camera window then keeps its own camera commands
  // and messages back until the run ends); the returned object ends it.
  std::function<std::shared_ptr<void>()> beginCameraWork;
  // Runs start at once when no other camera work is under way, else from the event loop once that
  // work has ended: a run never begins inside a camera call that waits for a busy body. Unset: at
  // once.
  std::function<void(std::function<void()>)> afterCameraWork;
  // The camera window's status line.
  std::function<void(const std::string&)> showStatus;
  // A question with Yes and No, true for Yes; the default asks with a message box whose default
  // button is No.
  std::function<bool(const std::string&)> confirm;
  // The run's clock and waits; the computer's clock and a nested event loop by default.
  RunClock* clock = nullptr;
  RunWaiter* waiter = nullptr;
  // Plays or speaks the announcements while AnnouncementSound is on; by default the program's own
  // voice, made at the first announcement. Tests give one that only records.
  AnnouncementVoice* voice = nullptr;
  // The folder of the announcements' sound files; DocumentsFolder when empty.
  std::string soundFolder;
  // Tells the user something once, without holding the run up; a message box left open by default.
  std::function<void(const std::string&)> tell;
  // "Rehearse From ...": picks one of the named instants, or none; a list box by default.
  std::function<std::optional<size_t>(const std::vector<std::string>&)> pickRehearsal;
  // Keeps the computer awake during a start run; the desktop's D-Bus services by default.
  std::function<std::unique_ptr<KeepAwake>()> makeKeepAwake;
  // The check before the night on a camera (null: none connected). Unset, the page offers none
  // and a start run makes none.
  std::function<std::vector<CheckLine>(TAppMaster*)> preflight;
};

// The page's height: the camera window is this much taller while it shows the page.
constexpr int PhotographyPageHeight = 486;

// Waits in a nested event loop, so that the program's windows live on while the run waits.
class EventLoopWaiter final : public RunWaiter {
 public:
  void Sleep(double ms) override;
  void Yield() override;
};

class TPhotographyPage : public QWidget, public RunSink {
  Q_OBJECT

 public:
  explicit TPhotographyPage(PhotographyPageHost host, QWidget* parent = nullptr);
  ~TPhotographyPage() override;

  [[nodiscard]] EclipseRun& Engine() { return *run_; }
  [[nodiscard]] const RunSummary& LastSummary() const { return summary_; }

  // Event handlers, named after component and event.
  void Button_Start_Eclipse_PhotographyClick();
  void Button_Test_Eclipse_PhotographyClick();
  void Button_Start_Eclipse_PhotographyMouseDown();
  void Label_Start_Eclipse_PhotographyMouseDown();
  void Label_Start_Eclipse_PhotographyMouseUp(bool overLabel);
  void Button_Test_Eclipse_PhotographyMouseDown();
  void Label_Test_Eclipse_PhotographyMouseDown();
  void Label_Test_Eclipse_PhotographyMouseUp(bool overLabel);
  void Button_Abort_TestClick();
  void Button_Abort_FotoClick();
  void BitBtn_AdvanceClick();
  void BitBtn_RealTimeClick();
  // "Check Before the Night": the check's lines in a list with a coloured mark each, written as
  // preflight-YYYYMMDD-hhmmss.txt in the documents folder.
  void Button_CheckClick();
  void BitBtn_RehearseFromClick();
  // The colours the page chooses itself, through the night view (state/night_mode.h).
  void ApplyNightMode();
  // "Previews": the run fetches and shows the previews of its pictures (on by default).
  void CheckBox_PreviewsClick();
  // The exposure bias of the rows still to come, kept for the whole session.
  void SpinEdit_BiasChange();

  // Components, by their design names.
  QLabel* Label_Phase = nullptr;
  QLabel* Label_Wann = nullptr;
  QLabel* Label_WannDiff = nullptr;
  QLabel* Label_Info = nullptr;
  QLabel* Label_WAV_Meldung = nullptr;
  QPushButton* Button_Start_Eclipse_Photography = nullptr;
  QLabel* Label_Start_Eclipse_Photography = nullptr;
  QPushButton* Button_Test_Eclipse_Photography = nullptr;
  QLabel* Label_Test_Eclipse_Photography = nullptr;
  QPushButton* Button_Abort_Test = nullptr;
  QPushButton* Button_Abort_Foto = nullptr;
  QPushButton* BitBtn_Advance = nullptr;
  QPushButton* BitBtn_RealTime = nullptr;
  QLabel* Label_Advance1 = nullptr;
  QLabel* Label_Advance2 = nullptr;
  QPushButton* Button_Check = nullptr;
  // The check's window and list, made at the first check.
  QDialog* Dialog_Check = nullptr;
  QListWidget* List_Check = nullptr;
  // Beside "Advance Time": the rehearsal clock to 5 s before any contact or row.
  QPushButton* BitBtn_RehearseFrom = nullptr;
  // Below the banner, what the run stands at: the table and the row, the next row's time and
  // settings, the counts so far and the camera's last answer.
  QLabel* Label_TableRow = nullptr;
  QLabel* Label_NextRow = nullptr;
  QLabel* Label_Counts = nullptr;
  QLabel* Label_CameraStatus = nullptr;
  // Below them: the last preview, and beside it whether to fetch previews and the exposure bias
  // (Ctrl+Up and Ctrl+Down move it a third of a stop, Ctrl+0 takes it back to 0).
  TPreviewPanel* Panel_Preview = nullptr;
  QCheckBox* CheckBox_Previews = nullptr;
  QLabel* Label_Bias = nullptr;
  QSpinBox* SpinEdit_Bias = nullptr;
  QLabel* Label_BiasKeys = nullptr;

  // The run engine's sink.
  void ShowPhase(const std::string& text) override;
  void ShowWann(const std::string& text) override;
  void ShowWannDiff(const std::string& text) override;
  void ShowInfo(const std::string& text, Rgb colour, InfoKind kind) override;
  void ShowStatus(const std::string& text) override;
  void ShowBanner(const std::string& text) override;
  void BlinkBanner(Rgb background) override;
  void HideBanner() override;
  void RunStarting(RunKind kind) override;
  void ShowAdvanceControls(bool shown) override;
  void ShowRunning(RunKind kind, bool running) override;
  bool ConfirmZone(const std::string& warning) override;
  bool TakePastRows(const std::string& question) override;
  void ShowCheck(const std::vector<CheckLine>& lines) override;
  bool RetakeRows(const std::string& question) override;
  void StepDone(const RunStep& step) override;
  void ShowPreview(const PreviewShot& shot) override;
  void ShowRunRow(size_t row) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildComponents();
  void BuildPreviewAndBias();
  void StartRun(RunKind kind);
  void RunNow(RunKind kind);
  static void PressLabel(QLabel* label, bool pressed);
  void PaintAdvanceLabels(bool rehearsal);
  void PaintInfo();
  void PaintBanner();
  void ShowProgress();
  AnnouncementVoice& Voice();
  void Tell(const std::string& text);
  // A tone for a failure the run counts anew (a release failed, a picture lost, the run log
  // failing), while sound is on.
  void SoundFailures();
  bool Confirm(const std::string& question);
  void ShowCheckList(const std::vector<CheckLine>& lines, const std::string& closing);

  PhotographyPageHost host_;
  std::unique_ptr<SystemRunClock> systemClock_;
  std::unique_ptr<EventLoopWaiter> eventLoopWaiter_;
  std::unique_ptr<EclipseRun> run_;
  std::unique_ptr<KeepAwake> keepAwake_;
  std::unique_ptr<AnnouncementVoice> ownVoice_;
  RunSummary summary_;
  Rgb infoColour_ = InfoWhite;
  Rgb bannerColour_ = BannerBlue;
  bool rehearsalShown_ = false;
  std::string settingsText_;            // the settings of the coming picture, on one line
  std::array<int, 3> failuresHeard_{};  // failed, lost and without a file, as counted so far
  bool logFailureHeard_ = false;
  bool speechProblemTold_ = false;
  bool startPending_ = false;  // a start waits for the camera's work to end
};

}  // namespace tevra

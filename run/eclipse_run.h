// SPDX-License-Identifier: GPL-3.0-or-later
// The eclipse photography run without widgets: the start run, which serves every row of the
// exposure table at its own time, and the test run, which walks through the table half a second
// per row. The camera window's page and `tevra-cli run` drive the same engine; they give it the
// table, the clock, the waiter, the camera and a sink that shows what the run does.
//
// Everything happens on the calling thread. The run calls the pump in every pass of a wait, after
// every camera call and while a banner blinks, so that a window stays alive; the window's abort
// and rehearsal buttons work through the abort flag and AdvanceTime / BackToRealTime.
//
// What goes wrong on the night is met here: a start run that begins after entries were due asks
// whether to take or skip them; a camera that answers "disconnected" is opened again every 2 s
// and the run carries on with the entry then due; a camera idle through a long wait is asked
// for a setting every 30 s so that it does not power itself off.
#pragma once

#include "exposure/exposure_table.h"
#include "run/picture_watch.h"
#include "run/preflight.h"
#include "run/preview_image.h"
#include "run/run_clock.h"
#include "run/run_log.h"
#include "run/run_texts.h"
#include "timing/countdown.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tevra {

class TAppMaster;

enum class RunKind { Start, Test };

// The exposure table as the run reads it: the cells and the column titles of the exposure grid.
struct RunTable {
  bool present = false;  // false while the grid still holds its initial rows: no table made or loaded
  std::array<std::string, ExposureColumnCount> titles;
  ExposureRows rows;
  std::string name;  // the table's file name, for the run log; "" when it has none
  // How many tables had been put into the grid as a whole (made or loaded) when it was read: another
  // count, another table.
  uint64_t loads = 0;
};

// The table of a grid: rowCount is the grid's row count, which tells whether there is a table.
RunTable MakeRunTable(const ExposureRows& rows, const std::array<std::string, ExposureColumnCount>& titles,
                      size_t rowCount);

constexpr Rgb InfoWhite{255, 255, 255};
constexpr Rgb InfoYellow{255, 255, 0};
constexpr Rgb InfoRed{255, 0, 0};
constexpr Rgb BannerBlue{0, 0, 255};
constexpr Rgb BannerLime{0, 255, 0};
constexpr int BannerWidth = 677;      // Label_WAV_Meldung while it shows
constexpr int BannerHiddenWidth = 2;  // and after

enum class InfoKind {
  Settings,  // the settings of the coming picture
  Message,   // a message of the run: simulation mode, no table, rows that cannot be read
};

// What the page shows. Every call comes on the thread that called Run.
class RunSink {
 public:
  RunSink() = default;
  RunSink(const RunSink&) = delete;
  RunSink& operator=(const RunSink&) = delete;
  virtual ~RunSink() = default;

  virtual void ShowPhase(const std::string& text) = 0;                            // Label_Phase
  virtual void ShowWann(const std::string& text) = 0;                             // Label_Wann
  virtual void ShowWannDiff(const std::string& text) = 0;                         // Label_WannDiff
  virtual void ShowInfo(const std::string& text, Rgb colour, InfoKind kind) = 0;  // Label_Info
  virtual void ShowStatus(const std::string& text) = 0;                           // StatusBar1
  // Label_WAV_Meldung: shown BannerWidth wide with the text, its background, hidden at width 2.
  virtual void ShowBanner(const std::string& text) = 0;
  virtual void BlinkBanner(Rgb background) = 0;
  virtual void HideBanner() = 0;
  // Run start: the command's label shown released.
  virtual void RunStarting(RunKind kind) = 0;
  // Start run only: BitBtn_Advance shown and enabled with Label_Advance1 and Label_Advance2 at the
  // start (true); at the end (false) BitBtn_Advance and BitBtn_RealTime disabled and hidden, the
  // two labels hidden.
  virtual void ShowAdvanceControls(bool shown) = 0;
  // true: both commands disabled, the run's abort button enabled; false: the other way round.
  virtual void ShowRunning(RunKind kind, bool running) = 0;
  // Before a start run whose table's zone is not the computer's: true to start all the same.
  virtual bool ConfirmZone(const std::string& warning) = 0;
  // Before a start run that begins when entries were due more than a minute ago: true to take
  // them now, false to skip them. Skipping is the default.
  virtual bool TakePastRows(const std::string& /*question*/) { return false; }
  // Before the first row of a start run: the lines of the check before the night that are not OK.
  virtual void ShowCheck(const std::vector<CheckLine>& /*lines*/) {}
  // Before a start run of a table whose earlier runs of the last 12 hours took entries in full:
  // true to take them again, false to pass over them. Passing over is the default.
  virtual bool RetakeRows(const std::string& /*question*/) { return false; }
  // One step done, as the run log writes it.
  virtual void StepDone(const RunStep& step) = 0;
  // The row the run serves now, counted from 1; 0 when the run has ended.
  virtual void ShowRunRow(size_t /*row*/) {}
  // The preview of the picture the body announced last, fetched while the next camera step was
  // at least PreviewLeadMs away.
  virtual void ShowPreview(const PreviewShot& /*shot*/) {}
};

struct RunSummary {
  bool started = false;    // false: no table, unreadable row times, or cancelled at the zone warning
  bool cancelled = false;  // the user declined at the zone warning
  bool aborted = false;
  int picturesTaken = 0;       // released, and the camera announced the picture's file
  int picturesFailed = 0;      // the camera did not release
  int picturesNotApplied = 0;  // released while a setting of the row was not applied
  int picturesNoFile = 0;      // released, but no file was announced within exposure + 5 s
  int picturesLate = 0;        // released more than 1 s after the instant they were due
  int rowsSkipped = 0;         // due before the start run began, and skipped as the user chose
  int rowsTakenBefore = 0;     // taken in full by an earlier run of the table, passed over
  int rowsLost = 0;            // due while the camera was disconnected
  int picturesLost = 0;        // the marked pictures of those rows
  int reconnections = 0;
  std::vector<RowTimeProblem> unreadable;
  std::string logPath;                // the run log's last file, "" when none is there
  std::vector<std::string> logPaths;  // every file of the run log that is there, in order
  std::string logError;               // why the run log is missing or incomplete
};

class EclipseRun {
 public:
  static constexpr int64_t PhaseClearMs = 10;
  static constexpr int64_t RetryPauseMs = 15;
  static constexpr int MaxTrials = MaxBusyTrials;
  // What one setting the next row writes is counted to need when a busy camera step gives up in time.
  static constexpr double SettingLeadSeconds = 0.1;
  static constexpr int64_t SimulatedStepMs = 222;
  static constexpr int64_t BannerMs = 5000;
  static constexpr int64_t BlinkMs = 50;
  static constexpr double TestRunSpacingSeconds = 0.5;
  // The last stretch before a due instant is approached by yielding rather than sleeping.
  static constexpr double ApproachMs = 2.0;
  static constexpr double MaxSliceMs = 100.0;
  // Entries due longer ago than this when a start run begins are taken or skipped as the user
  // chooses; after a reconnection the entry due last is still served when it is no older.
  static constexpr double PastRowSeconds = 60.0;
  static constexpr int64_t ReconnectPauseMs = 2000;
  // A camera idle this long during a wait is asked for a setting, and again at every interval,
  // but not in the last moments before a release.
  static constexpr int64_t KeepAliveIdleMs = 60000;
  static constexpr int64_t KeepAliveIntervalMs = 30000;
  static constexpr double KeepAliveQuietMs = 5000.0;
  // How often the run log is looked at for a removed file or lines still to write.
  static constexpr int64_t LogCheckMs = 1000;

  EclipseRun(RunClock& clock, RunWaiter& waiter, RunSink& sink);

  // Called in every wait pass and after every camera call: the window passes
  // QCoreApplication::processEvents. Empty by default.
  void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }
  // The abort flag of a run kind; AbortRun and AbortTestRun by default. The run reads it and
  // clears it at its start and end.
  void SetAbortFlag(std::function<bool&(RunKind)> flag) { abortFlag_ = std::move(flag); }
  // Folder of the run logs; DocumentsFolder by default, "" for none.
  void SetLogFolder(std::optional<std::string> folder) { logFolder_ = std::move(folder); }
  // The file layer the run log is written through; the system's by default.
  void SetLogFiles(FileLayer& files) { logFiles_ = &files; }
  // Opens the camera again after it answered "disconnected": lets the old session manager go (the
  // run never uses it again), makes a new one, sets its event handlers, opens its session and
  // writes the save target. Returns the new manager, or null while the camera is not back. Unset,
  // a disconnected camera is retried like a busy one.
  void SetReconnect(std::function<TAppMaster*()> reopen) { reopen_ = std::move(reopen); }
  // The check before the night a start run makes on its camera (null in simulation mode) once its
  // log is open: the lines that are not OK are shown and logged as "Check" steps before the first
  // row. The run goes on whatever they say. Unset, no check is made.
  void SetPreflight(std::function<std::vector<CheckLine>(TAppMaster*)> check) {
    preflight_ = std::move(check);
  }

  // The table as the grid holds it now. The run reads each row from it when it reaches the row, so
  // that an edit made during the run takes effect (see RowToServe). Unset, the run serves the table
  // it was given.
  void SetTableSource(std::function<RunTable()> source) { tableSource_ = std::move(source); }

  // The exposure bias, in thirds of a stop (clamped to +-MaxBiasThirds): it moves the exposures of
  // the rows the run has not begun yet. May be changed at any time, also during the run.
  void SetBias(int thirds);
  [[nodiscard]] int BiasThirds() const { return biasThirds_; }
  // Previews of the pictures taken during the run (off by default): fetched only while the next
  // camera step is at least PreviewLeadMs away, decoded with decoder (PGM only when unset), saved
  // into folder when it is not empty, and shown through the sink.
  static constexpr int64_t PreviewLeadMs = 3000;
  static constexpr int64_t PreviewRetryMs = 200;
  void SetPreviews(bool on, PreviewDecoder decoder = {}, std::string folder = {});

  // Runs the table. camera null: simulation mode. Returns at once, without starting, while a run
  // is under way.
  RunSummary Run(RunKind kind, const RunTable& table, TAppMaster* camera);
  [[nodiscard]] bool IsRunning() const { return running_; }
  [[nodiscard]] bool IsStartRunning() const { return running_ && kind_ == RunKind::Start; }

  // "Advance Time": RehearsalOffset set so that the start run's clock reads 5 seconds before the
  // instant Label_Wann shows. True when the offset is not 0 (the page then paints Label_Advance1
  // and Label_Advance2 red and shows BitBtn_RealTime).
  bool AdvanceTime();
  // "Back to Real Time": RehearsalOffset cleared.
  static void BackToRealTime();
  // "Rehearse From ...": RehearsalOffset set so that the clock reads 5 seconds before instantJD
  // (a contact's or a row's time). A start run under way skips the entries due before that
  // instant, as it skips entries due before it began, and goes on with the first one after.
  bool RehearseFrom(double instantJD);
  // The instants "Rehearse From ..." offers for the table of the run under way: "Row N: label" and
  // the row's due instant, for each row that waits for a time.
  [[nodiscard]] std::vector<std::pair<std::string, double>> RowInstants() const;
  // The row served now, counted from 1 (0 before the first), and the run's counts so far.
  [[nodiscard]] size_t CurrentRow() const { return row_; }
  [[nodiscard]] const RunTable& Table() const { return table_; }
  [[nodiscard]] const RunSummary& Progress() const { return summary_; }

  // The text last given to Label_Wann.
  [[nodiscard]] const std::string& WannLabel() const { return wann_; }

 private:
  struct StepResult {
    uint32_t status = 0;
    int trials = 0;
    bool aborted = false;
    bool lost = false;  // the camera answered "disconnected"
    double issuedJD = 0;
    double doneJD = 0;
    std::string text;
  };

  [[nodiscard]] double Now() const;
  [[nodiscard]] bool Aborted();
  void Pump();
  void Pause(int64_t ms);
  void Info(const std::string& text, Rgb colour, InfoKind kind);
  void Wann(const std::string& text);
  [[nodiscard]] RunStep StepOf(const char* name) const;
  void Log(const RunStep& step);

  bool StartChecks();
  void AskAboutPastRows();
  void AskAboutTakenRows();
  [[nodiscard]] std::string LogFolder() const;
  [[nodiscard]] std::string TableLine() const;
  void OpenLog();
  void LogPreflight();
  void ReportProblem(const std::string& text);
  void WatchLog();
  void ReportLogTrouble();
  void EndStep();
  bool ProcessRow(size_t index);
  const ExposureRow& RowToServe(size_t index);
  [[nodiscard]] double RowTarget(const ExposureRow& row, RowKind kind) const;
  void SkipRow(size_t index);
  void LogRowLeftOut(size_t index, const char* step, const char* text);
  bool Reconnect();
  size_t ResumeAfterReconnection(size_t interrupted);
  size_t SkipBefore(double instantJD, size_t from);
  bool PauseWithEvents(int64_t ms);

  // The camera steps.
  enum CodeSlot : size_t { SlotQuality, SlotIso, SlotAperture, SlotShutter };
  bool KeepCameraAwake(double remainingMs);
  void PauseBeforeCall();
  [[nodiscard]] double GiveUpJD() const;
  [[nodiscard]] std::array<int64_t, 4> RowCodes(const ExposureRow& row, uint32_t done) const;
  bool ApplySetting(CodeSlot slot, uint32_t code, const char* name, std::optional<double> due);
  [[nodiscard]] std::vector<std::string> SettingsNotApplied() const;
  void CheckPictures();
  void PictureDecided(const PictureWatch::Outcome& outcome);
  void AwaitLastPictures();
  bool ExposureEntry(const ExposureRow& row);
  bool LoopEntry(const ExposureRow& row);
  bool LoopTest(const ExposureRow& row);
  bool AnnouncementEntry(const ExposureRow& row);
  bool Shots(const ExposureRow& row, double due);
  bool PrepareShot(const ExposureRow& row, int column, std::optional<double> due);
  bool Release(std::optional<double> due, const char* simulationName, int column);
  bool WaitUntil(double target);

  // Previews and bias.
  [[nodiscard]] ExposureRow ServedRow(size_t index) const;
  void BeginRowBias(size_t index);
  void NotePreviewSource(int64_t tag);
  void PreviewPictureWritten(int64_t tag);
  // False when the body was busy: the preview waits for the next chance.
  bool ShowWaitingPreview(double remainingMs);
  void ShowLastPreview();
  [[nodiscard]] double SliceMs(double remainingMs) const;
  StepResult RetryCameraStep(const char* name, const char* simulationName,
                             const std::function<uint32_t()>& call);
  void LogCameraStep(const char* name, const StepResult& result, std::optional<double> due);

  RunClock& clock_;
  RunWaiter& waiter_;
  RunSink& sink_;
  std::function<void()> pump_;
  std::function<bool&(RunKind)> abortFlag_;
  std::optional<std::string> logFolder_;
  FileLayer* logFiles_ = &SystemFileLayer();
  std::function<TAppMaster*()> reopen_;
  std::function<std::vector<CheckLine>(TAppMaster*)> preflight_;
  std::function<RunTable()> tableSource_;
  std::string wann_;
  std::string info_;
  PreviewDecoder previewDecoder_;
  std::string previewFolder_;

  // The run under way.
  RunTable table_;
  TAppMaster* camera_ = nullptr;
  std::array<int64_t, 4> lastCodes_{};     // image quality, ISO, aperture, shutter; -1 = none written
  std::array<std::string, 4> notApplied_;  // why the slot's setting is not applied; "" = applied
  PictureWatch watch_;                     // the pictures released whose file is awaited
  std::map<int64_t, RunStep> watched_;     // their steps, by the watch's tag
  int64_t nextTag_ = 0;
  std::string shownStatus_;  // the status line's text of the last picture
  // Rows left out from the start: due before the run began and skipped as the user chose, or
  // taken in full by an earlier run.
  enum class LeftOut : uint8_t { No, Skipped, TakenBefore };
  std::vector<LeftOut> skipped_;
  std::vector<int> takenBefore_;  // per row, the pictures earlier runs took
  int64_t logCheckedMs_ = 0;      // tick time the log was last looked at
  int64_t lastCameraMs_ = 0;      // tick time of the last camera call
  size_t shotsRow_ = 0;           // the row of shotsDone_, counted from 1
  size_t row_ = 0;
  std::string label_;
  std::optional<RunLog> log_;
  RunSummary summary_;
  std::optional<double> rehearseFrom_;             // set by RehearseFrom during a start run
  std::vector<std::optional<int>> rowBias_;        // per row, the bias it was begun with
  std::string shotSettings_;                       // the settings of the picture prepared last
  std::map<int64_t, PreviewShot> previewSources_;  // by the watch's tag, the pictures awaited
  std::optional<PreviewShot> pendingPreview_;      // the newest picture written, not yet previewed
  uint64_t pendingItem_ = 0;                       // its item on the body
  int64_t previewNotBeforeMs_ = 0;                 // tick time a busy body is asked again

  // The small members together, so that the class packs tightly.
  RunKind kind_ = RunKind::Start;
  uint32_t shotsDone_ = 0;  // bit j: column j released, kept when a row is served again
  int biasThirds_ = 0;
  Rgb infoColour_ = InfoWhite;
  bool running_ = false;
  bool previews_ = false;
  bool simulation_ = false;
  bool cameraLost_ = false;   // a camera call answered "disconnected"
  bool touched_ = false;      // the last call was one that keeps the camera awake
  bool editKeptOut_ = false;  // an edit of the table the run could not follow was reported
  bool noPreviews_ = false;   // the body has none
};

}  // namespace tevra

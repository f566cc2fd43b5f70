// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/eclipse_run.h"

#include "camera/appmaster.h"
#include "camera/camera_model.h"
#include "camera/camera_status.h"
#include "camera/setting_names.h"
#include "run/taken_before.h"
#include "state/variables.h"
#include "timing/text_util.h"
#include "timing/time_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

namespace tevra {
namespace {

constexpr double SecondsPerDay = 86400.0;

bool& DefaultAbortFlag(RunKind kind) { return kind == RunKind::Start ? AbortRun : AbortTestRun; }

}  // namespace

RunTable MakeRunTable(const ExposureRows& rows, const std::array<std::string, ExposureColumnCount>& titles,
                      size_t rowCount) {
  return RunTable{rowCount != static_cast<size_t>(NoTableRowCount), titles, rows, {}};
}

EclipseRun::EclipseRun(RunClock& clock, RunWaiter& waiter, RunSink& sink)
    : clock_(clock), waiter_(waiter), sink_(sink), abortFlag_(&DefaultAbortFlag) {}

double EclipseRun::Now() const {
  return clock_.LocalJD() + (kind_ == RunKind::Start ? RehearsalOffset : 0.0);
}

bool EclipseRun::Aborted() { return abortFlag_(kind_); }

void EclipseRun::Pump() {
  if (pump_) {
    pump_();
  }
}

// A pause that lets the program's events through, unlike the short pauses between camera calls.
void EclipseRun::Pause(int64_t ms) {
  TickClock& ticks = clock_.Ticks();
  const int64_t end = ticks.NowMs() + ms;
  for (int64_t now = ticks.NowMs(); now < end; now = ticks.NowMs()) {
    waiter_.Sleep(static_cast<double>(end - now));
  }
}

void EclipseRun::Info(const std::string& text, Rgb colour, InfoKind kind) {
  info_ = text;
  infoColour_ = colour;
  sink_.ShowInfo(text, colour, kind);
}

void EclipseRun::Wann(const std::string& text) {
  wann_ = text;
  sink_.ShowWann(text);
}

RunStep EclipseRun::StepOf(const char* name) const {
  RunStep step;
  step.row = row_;
  step.label = label_;
  step.step = name;
  step.issuedJD = step.doneJD = Now();
  return step;
}

void EclipseRun::Log(const RunStep& step) {
  if (log_) {
    log_->Append(step);
    ReportLogTrouble();
  }
  sink_.StepDone(step);
}

RunSummary EclipseRun::Run(RunKind kind, const RunTable& table, TAppMaster* camera) {
  if (running_) {
    return {};
  }
  running_ = true;
  kind_ = kind;
  table_ = table;
  camera_ = camera;
  summary_ = RunSummary{};
  row_ = 0;
  editKeptOut_ = false;
  label_.clear();
  log_.reset();
  skipped_.assign(table.rows.size(), LeftOut::No);
  takenBefore_.assign(table.rows.size(), 0);
  rehearseFrom_.reset();
  cameraLost_ = false;
  lastCameraMs_ = clock_.Ticks().NowMs();
  touched_ = false;
  shotsRow_ = 0;
  shotsDone_ = 0;
  notApplied_.fill("");
  watch_ = PictureWatch{};
  watched_.clear();
  shownStatus_.clear();
  rowBias_.assign(table.rows.size(), std::nullopt);
  previewSources_.clear();
  pendingPreview_.reset();
  noPreviews_ = false;
  previewNotBeforeMs_ = 0;
  if (camera != nullptr) {
    watch_.Restart(camera->FilesAnnounced());
  }

  SimulationMode = false;
  sink_.RunStarting(kind);
  Info("", InfoWhite, InfoKind::Message);
  simulation_ = camera == nullptr;
  if (simulation_) {
    SimulationMode = true;
    Info(SimulationModeMessage, InfoYellow, InfoKind::Message);
  }
  if (StartChecks()) {
    summary_.started = true;
    AskAboutTakenRows();
    AskAboutPastRows();
    OpenLog();
    LogPreflight();
    if (kind == RunKind::Start) {
      sink_.ShowAdvanceControls(true);
    }
    Info(info_, InfoWhite, InfoKind::Message);
    sink_.ShowRunning(kind, true);
    abortFlag_(kind) = false;
    lastCodes_.fill(-1);
    for (size_t i = 0; i < table_.rows.size();) {
      if (ProcessRow(i)) {
        ++i;
        continue;
      }
      if (rehearseFrom_) {
        i = SkipBefore(*rehearseFrom_, i);
        rehearseFrom_.reset();
        continue;
      }
      if (!cameraLost_ || !Reconnect()) {
        summary_.aborted = true;
        Log(StepOf("Abort"));
        break;
      }
      i = ResumeAfterReconnection(i);
    }
    AwaitLastPictures();
    if (!summary_.aborted) {
      ShowLastPreview();
    }
  }
  EndStep();
  running_ = false;
  return summary_;
}

bool EclipseRun::StartChecks() {
  if (!table_.present) {
    Info(NoTableMessage, InfoRed, InfoKind::Message);
    return false;
  }
  // A time that cannot be read would otherwise stop the program when its row comes up.
  summary_.unreadable = UnreadableRowTimes(table_.rows);
  if (!summary_.unreadable.empty()) {
    Info(UnreadableTimesMessage(summary_.unreadable), InfoRed, InfoKind::Message);
    return false;
  }
  if (kind_ == RunKind::Start) {
    const std::string warning = ZoneWarning(table_.titles[ColumnDateTime], clock_.UtcOffsetHours());
    if (!warning.empty() && !sink_.ConfirmZone(warning)) {
      summary_.cancelled = true;
      return false;
    }
  }
  return true;
}

// Entries a start run would wait for whose time lies more than a minute back: a run started again
// in the middle of the night. The user takes them now or skips them; one due within the minute
// fires at once as any late entry does.
void EclipseRun::AskAboutPastRows() {
  if (kind_ != RunKind::Start) {
    return;
  }
  const double limit = Now() - PastRowSeconds / SecondsPerDay;
  std::vector<size_t> past;
  for (size_t i = 0; i < table_.rows.size(); ++i) {
    const RowKind kind = RowKindOf(table_.rows[i]);
    if ((kind == RowKind::Exposure || kind == RowKind::Announcement) && skipped_[i] == LeftOut::No &&
        RowTarget(table_.rows[i], kind) < limit) {
      past.push_back(i);
    }
  }
  if (past.empty()) {
    return;
  }
  const auto due = [this](size_t i) { return RowTarget(table_.rows[i], RowKindOf(table_.rows[i])); };
  const auto [first, last] =
      std::minmax_element(past.begin(), past.end(), [&due](size_t a, size_t b) { return due(a) < due(b); });
  if (sink_.TakePastRows(PastRowsQuestion(past.size(), due(*first), due(*last)))) {
    return;
  }
  for (const size_t i : past) {
    skipped_[i] = LeftOut::Skipped;
  }
}

void EclipseRun::LogPreflight() {
  if (kind_ != RunKind::Start || !preflight_) {
    return;
  }
  std::vector<CheckLine> shown;
  for (CheckLine& line : preflight_(camera_)) {
    if (line.level != CheckLevel::Ok) {
      shown.push_back(std::move(line));
    }
  }
  if (shown.empty()) {
    return;
  }
  sink_.ShowCheck(shown);
  for (const CheckLine& line : shown) {
    RunStep step = StepOf("Check");
    step.text = CheckLineText(line);
    Log(step);
  }
}

std::string EclipseRun::LogFolder() const { return logFolder_.value_or(DocumentsFolder); }

void EclipseRun::OpenLog() {
  const std::string folder = LogFolder();
  if (folder.empty()) {
    return;
  }
  log_.emplace(*logFiles_);
  logCheckedMs_ = clock_.Ticks().NowMs();
  // Only a start run in real time names its table: the pictures of test runs and rehearsals never
  // count as taken when a run is started again.
  const bool real = kind_ == RunKind::Start && RehearsalOffset == 0;
  if (!log_->Open(folder, clock_.LocalJD(), real ? TableLine() : std::string())) {
    // Told before the first entry; the run shoots all the same, and the log begins when it can.
    ReportProblem(log_->Error());
  }
}

// About once a second between the camera steps: a log whose file was removed or could not be
// written is noticed within the second, not at the end of the night.
void EclipseRun::WatchLog() {
  const int64_t now = clock_.Ticks().NowMs();
  if (!log_ || now - logCheckedMs_ < LogCheckMs) {
    return;
  }
  logCheckedMs_ = now;
  log_->Check();
  ReportLogTrouble();
}

void EclipseRun::ReportLogTrouble() {
  if (const std::string trouble = log_->TakeTrouble(); !trouble.empty()) {
    ReportProblem(trouble);
  }
}

void EclipseRun::ReportProblem(const std::string& text) {
  sink_.ShowStatus(text);
  static_cast<void>(std::fprintf(stderr, "tevra: %s\n", Escaped(text).c_str()));
}

void EclipseRun::EndStep() {
  Pump();
  sink_.ShowRunRow(0);
  if (kind_ == RunKind::Start) {
    RehearsalOffset = 0;
    sink_.ShowAdvanceControls(false);
  }
  sink_.ShowRunning(kind_, false);
  abortFlag_(kind_) = false;
  SimulationMode = false;
  if (log_) {
    log_->Close();
    summary_.logPaths = log_->Paths();
    if (!summary_.logPaths.empty()) {
      summary_.logPath = summary_.logPaths.back();
    }
    if (log_->HasUnwritten() || summary_.logPaths.empty()) {
      summary_.logError = log_->Error().empty() ? "The run log is incomplete" : log_->Error();
    }
    log_.reset();
  }
  if (!summary_.logError.empty()) {
    sink_.ShowStatus(summary_.logError);
  } else if (!summary_.logPath.empty()) {
    sink_.ShowStatus("Run log: " + RunLogNames(summary_.logPaths));
  }
}

// The row as the grid holds it when the run reaches it. An edit is taken while the grid holds the
// same table with as many rows and the row's time can still be read; otherwise the row is served as
// it stood, and the run says so once.
const ExposureRow& EclipseRun::RowToServe(size_t index) {
  ExposureRow& row = table_.rows[index];
  if (!tableSource_) {
    return row;
  }
  const RunTable now = tableSource_();
  const bool same = now.present && now.loads == table_.loads && now.rows.size() == table_.rows.size() &&
                    now.titles == table_.titles;
  if (same && UnreadableRowTimes({now.rows[index]}).empty()) {
    row = now.rows[index];
  } else if (!editKeptOut_ && (!same || now.rows[index] != row)) {
    editKeptOut_ = true;
    RunStep step = StepOf("Row kept");
    step.row = index + 1;
    step.label = std::string(Trim(row[ColumnLabel]));
    step.text = RowKeptText(index + 1, same);
    sink_.ShowStatus(step.text);
    Log(step);
  }
  return row;
}

bool EclipseRun::ProcessRow(size_t index) {
  // Rows left out at the start stay left out, without a look at the grid.
  if (skipped_[index] != LeftOut::No) {
    SkipRow(index);
    return true;
  }
  const RowKind kind = RowKindOf(RowToServe(index));
  if (kind == RowKind::Skipped) {
    return true;
  }
  row_ = index + 1;
  label_ = std::string(Trim(table_.rows[index][ColumnLabel]));
  BeginRowBias(index);
  const ExposureRow row = ServedRow(index);
  if (shotsRow_ != index + 1) {
    shotsRow_ = index + 1;
    shotsDone_ = FirstMarkedColumns(row, takenBefore_[index]);
  }
  sink_.ShowRunRow(row_);
  sink_.ShowPhase("");
  clock_.Ticks().SleepMs(PhaseClearMs);
  sink_.ShowPhase(label_);
  if (kind == RowKind::Announcement) {
    return AnnouncementEntry(row);
  }
  // The shutter of the row's first picture goes with the other settings, before the wait, so that
  // nothing but the release itself stands between the due instant and the picture.
  const std::array<int64_t, 4> codes = RowCodes(row, shotsDone_);
  const bool shutterFirst = kind == RowKind::Exposure || kind_ == RunKind::Test;
  if (!ApplySetting(SlotQuality, static_cast<uint32_t>(codes[SlotQuality]), "IQ", std::nullopt) ||
      !ApplySetting(SlotIso, static_cast<uint32_t>(codes[SlotIso]), "ISO", std::nullopt) ||
      !ApplySetting(SlotAperture, static_cast<uint32_t>(codes[SlotAperture]), "Av", std::nullopt) ||
      (shutterFirst &&
       !ApplySetting(SlotShutter, static_cast<uint32_t>(codes[SlotShutter]), "Tv", std::nullopt))) {
    return false;
  }
  if (kind == RowKind::Loop) {
    return kind_ == RunKind::Start ? LoopEntry(row) : LoopTest(row);
  }
  return ExposureEntry(row);
}

// The instant a row is served at: its own time in the start run, half a second from now in the
// test run. Row times were all checked when the run started.
double EclipseRun::RowTarget(const ExposureRow& row, RowKind kind) const {
  if (kind_ == RunKind::Test) {
    return Now() + TestRunSpacingSeconds / SecondsPerDay;
  }
  return TryDateStrJD(RowTimeText(row, kind)).jd.value_or(0);
}

void EclipseRun::SkipRow(size_t index) {
  if (skipped_[index] == LeftOut::TakenBefore) {
    LogRowLeftOut(index, "Taken before", TakenBeforeRowText);
    ++summary_.rowsTakenBefore;
    return;
  }
  LogRowLeftOut(index, "Skipped", SkippedRowText);
  ++summary_.rowsSkipped;
}

void EclipseRun::LogRowLeftOut(size_t index, const char* step, const char* text) {
  const ExposureRow& row = table_.rows[index];
  RunStep left = StepOf(step);
  left.row = index + 1;
  left.label = std::string(Trim(row[ColumnLabel]));
  left.dueJD = RowTarget(row, RowKindOf(row));
  left.text = text;
  Log(left);
}

// Opens the camera again every 2 s until it is back or the run is aborted. The settings are all
// written again afterwards: the camera may have been switched off and on meanwhile.
bool EclipseRun::Reconnect() {
  cameraLost_ = false;
  camera_ = nullptr;
  sink_.ShowStatus(ReconnectingText);
  RunStep step = StepOf("Reconnected");
  step.status = CamOk;
  do {
    if (Aborted()) {
      return false;
    }
    ++step.trials;
    camera_ = reopen_();
    Pump();
  } while (camera_ == nullptr && PauseWithEvents(ReconnectPauseMs));
  if (camera_ == nullptr) {
    return false;
  }
  lastCodes_.fill(-1);
  lastCameraMs_ = clock_.Ticks().NowMs();
  touched_ = false;
  // The files of pictures released before the camera went can no longer be told apart.
  for (const PictureWatch::Outcome& outcome : watch_.Abandon()) {
    PictureDecided(outcome);
  }
  watch_.Restart(camera_->FilesAnnounced());
  ++summary_.reconnections;
  step.doneJD = Now();
  step.text = ReconnectedText;
  sink_.ShowStatus(ReconnectedText);
  Log(step);
  return true;
}

// The row to carry on with once the camera is back: the first one still ahead, or the one due
// last when that is no more than a minute late (it fires at once, as a late row does). Rows
// passed over on the way are logged as lost; the pictures a row took before the camera went
// are not taken again.
size_t EclipseRun::ResumeAfterReconnection(size_t interrupted) {
  if (kind_ == RunKind::Test) {
    return interrupted;  // the test run keeps no time: the row once more
  }
  const double now = Now();
  const ExposureRows& rows = table_.rows;
  size_t ahead = interrupted;
  std::optional<size_t> dueLast;
  for (; ahead < rows.size(); ++ahead) {
    const RowKind kind = RowKindOf(rows[ahead]);
    if (kind == RowKind::Skipped || skipped_[ahead] != LeftOut::No) {
      continue;
    }
    if (RowTarget(rows[ahead], kind) >= now) {
      break;
    }
    dueLast = ahead;
  }
  size_t resume = ahead;
  if (dueLast && RowKindOf(rows[*dueLast]) != RowKind::Loop &&
      (now - RowTarget(rows[*dueLast], RowKindOf(rows[*dueLast]))) * SecondsPerDay <= PastRowSeconds) {
    resume = *dueLast;
  }
  for (size_t i = interrupted; i < resume; ++i) {
    const RowKind kind = RowKindOf(rows[i]);
    if (kind == RowKind::Skipped) {
      continue;
    }
    if (skipped_[i] != LeftOut::No) {
      SkipRow(i);  // already left out at the start: an entry out of time order
      continue;
    }
    LogRowLeftOut(i, "Lost", LostRowText);
    ++summary_.rowsLost;
    if (kind == RowKind::Exposure) {
      summary_.picturesLost += MarkCount(rows[i]) - (shotsRow_ == i + 1 ? std::popcount(shotsDone_) : 0);
    }
  }
  return resume;
}

// Waits ms milliseconds with the program's events going on; false when the run was aborted.
bool EclipseRun::PauseWithEvents(int64_t ms) {
  TickClock& ticks = clock_.Ticks();
  const int64_t end = ticks.NowMs() + ms;
  for (int64_t now = ticks.NowMs(); now < end; now = ticks.NowMs()) {
    Pump();
    CheckPictures();
    WatchLog();
    if (Aborted()) {
      return false;
    }
    waiter_.Sleep(std::min(MaxSliceMs, static_cast<double>(end - now)));
  }
  return !Aborted();
}

bool EclipseRun::ExposureEntry(const ExposureRow& row) {
  const double target = RowTarget(row, RowKind::Exposure);
  Wann(WannText("at: ", target));
  return WaitUntil(target) && Shots(row, target);
}

bool EclipseRun::LoopTest(const ExposureRow& row) {
  sink_.ShowPhase(LoopTestPhaseText);
  return ExposureEntry(row);
}

bool EclipseRun::LoopEntry(const ExposureRow& row) {
  sink_.ShowPhase(LoopPhaseText);
  const double target = RowTarget(row, RowKind::Loop);
  Wann(WannText("by: ", target));
  const bool marked = MarkCount(row) > 0;
  // Without a marked column no picture could ever find the time too short: the loop ends at its time.
  if (!marked && !WaitUntil(target)) {
    return false;
  }
  for (bool stop = !marked; !stop;) {
    for (int j = FirstShutterColumn; j <= LastShutterColumn; ++j) {
      sink_.ShowWannDiff(TimeDiffStr(1, target - Now()));
      Pump();
      if (IsMarked(row, j)) {
        if (!PrepareShot(row, j, std::nullopt)) {
          return false;
        }
        if (Now() + LoopPictureSeconds(j) / SecondsPerDay >= target) {
          stop = true;
        } else if (!Release(std::nullopt, "IQ", j)) {
          return false;
        }
      }
      if (Aborted()) {
        return false;
      }
    }
  }
  RunStep step = StepOf("Loop end");
  step.dueJD = target;
  Log(step);
  return true;
}

bool EclipseRun::AnnouncementEntry(const ExposureRow& row) {
  const double target = RowTarget(row, RowKind::Announcement);
  Wann(WannText("at: ", target));
  if (!WaitUntil(target)) {
    return false;
  }
  RunStep step = StepOf("Announcement");
  step.dueJD = target;
  step.text = AnnouncementText(label_);
  sink_.ShowBanner(step.text);
  TickClock& ticks = clock_.Ticks();
  const int64_t shown = ticks.NowMs();
  bool aborted = false;
  do {
    sink_.BlinkBanner(BannerBlue);
    Pump();
    Pause(BlinkMs);
    sink_.BlinkBanner(BannerLime);
    Pump();
    Pause(BlinkMs);
    aborted = Aborted();
  } while (!aborted && ticks.NowMs() - shown <= BannerMs);
  sink_.HideBanner();
  step.doneJD = Now();
  Log(step);
  return !aborted;
}

bool EclipseRun::Shots(const ExposureRow& row, double due) {
  for (int j = FirstShutterColumn; j <= LastShutterColumn; ++j) {
    const uint32_t bit = 1U << static_cast<unsigned>(j);
    if (IsMarked(row, j) && (shotsDone_ & bit) == 0) {
      if (!PrepareShot(row, j, due) || !Release(due, "Tv", j)) {
        return false;
      }
      shotsDone_ |= bit;
    }
    if (Aborted()) {
      return false;
    }
  }
  return true;
}

// Sleeps in slices until shortly before the target so that the countdown keeps moving and the
// window stays alive, then yields through the last stretch without events, so that nothing delays
// the release; it never returns before the run clock reaches the target.
bool EclipseRun::WaitUntil(double target) {
  RunStep step = StepOf("Wait");
  step.dueJD = target;
  // Instants near 2.5 million days are kept to some 40 microseconds. A reading counts as reached
  // only two such steps beyond the target, so that neither the rounding of the reading nor that of
  // the row's time lets the run go before the instant itself.
  const double releaseAt = std::nextafter(std::nextafter(target, HUGE_VAL), HUGE_VAL);
  if (log_) {
    log_->Sync();
  }
  for (;;) {
    Pump();
    if (Aborted() || rehearseFrom_) {
      return false;
    }
    const double now = Now();
    sink_.ShowWannDiff(TimeDiffStr(1, target - now));
    const double remainingMs = (releaseAt - now) * MsPerDay;
    if (remainingMs <= 0) {
      break;
    }
    if (remainingMs > ApproachMs) {
      CheckPictures();
      WatchLog();
      ShowWaitingPreview(remainingMs);
      if (!KeepCameraAwake(remainingMs)) {
        return false;
      }
      waiter_.Sleep(SliceMs(remainingMs));
      continue;
    }
    while (Now() < releaseAt) {
      if (Aborted()) {
        return false;
      }
      waiter_.Yield();
    }
    break;
  }
  step.doneJD = Now();
  sink_.ShowWannDiff(TimeDiffStr(1, target - step.doneJD));
  Log(step);
  return true;
}

// The countdown shows tenths rounded half up, so it changes whenever the remaining time passes
// k * 100 + 50 ms; waking just after that keeps it stepping evenly.
double EclipseRun::SliceMs(double remainingMs) const {
  double untilChange = std::fmod(remainingMs - 50.0, 100.0);
  if (untilChange <= 0) {
    untilChange += 100.0;
  }
  return std::min({untilChange + 0.5, MaxSliceMs, remainingMs - ApproachMs});
}

bool EclipseRun::AdvanceTime() {
  // Before a row's time shows there is nothing to advance to: the empty label would read as the
  // year 1 and hold the run for ever.
  if (wann_.size() <= 4 || !TryDateStrJD(std::string_view(wann_).substr(4)).jd) {
    return RehearsalOffset != 0;
  }
  RehearsalOffset = RehearsalOffsetFor(wann_, clock_.LocalJD());
  if (running_ && log_ && RehearsalOffset != 0) {
    log_->Append(StepOf(AdvanceTimeStepName));  // what follows is a rehearsal
  }
  return RehearsalOffset != 0;
}

void EclipseRun::BackToRealTime() { RehearsalOffset = 0; }

bool EclipseRun::RehearseFrom(double instantJD) {
  RehearsalOffset = instantJD - 5.0 / SecondsPerDay - clock_.LocalJD();
  if (running_ && kind_ == RunKind::Start) {
    rehearseFrom_ = instantJD;
  }
  return RehearsalOffset != 0;
}

std::vector<std::pair<std::string, double>> EclipseRun::RowInstants() const {
  std::vector<std::pair<std::string, double>> instants;
  for (size_t i = 0; i < table_.rows.size(); ++i) {
    const ExposureRow& row = table_.rows[i];
    const RowKind kind = RowKindOf(row);
    if (kind == RowKind::Exposure || kind == RowKind::Announcement) {
      instants.emplace_back("Row " + std::to_string(i + 1) + ": " + std::string(Trim(row[ColumnLabel])),
                            RowTarget(row, kind));
    }
  }
  return instants;
}

// The rows from the one interrupted on that are due before the instant are logged as skipped;
// returns the first row to serve.
size_t EclipseRun::SkipBefore(double instantJD, size_t from) {
  const double limit = instantJD - 5.0 / SecondsPerDay;
  size_t i = from;
  for (; i < table_.rows.size(); ++i) {
    const RowKind kind = RowKindOf(table_.rows[i]);
    if (kind != RowKind::Exposure && kind != RowKind::Announcement) {
      continue;
    }
    if (RowTarget(table_.rows[i], kind) >= limit) {
      break;
    }
    if (skipped_[i] == LeftOut::No) {
      skipped_[i] = LeftOut::Skipped;
      SkipRow(i);
    }
  }
  return i;
}

}  // namespace tevra

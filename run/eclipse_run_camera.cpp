// SPDX-License-Identifier: GPL-3.0-or-later
// The run's camera steps: settings written and read back, releases, the retries around each call,
// the watch for each picture's file and the reads that keep an idle camera awake.
#include "camera/appmaster.h"
#include "camera/camera_model.h"
#include "camera/camera_status.h"
#include "camera/setting_names.h"
#include "run/eclipse_run.h"
#include "timing/text_util.h"

#include <cmath>
#include <string_view>

namespace tevra {
namespace {

constexpr double SecondsPerDay = 86400.0;
constexpr double LateSeconds = 1.0;
constexpr uint32_t ShutterBulb = 0x0C;
constexpr uint32_t AEModeBulb = 4;

constexpr std::array<uint32_t, 4> SlotProperties = {PropImageQuality, PropIso, PropAv, PropTv};

int64_t ExposureMs(const std::string& shutterName) {
  return static_cast<int64_t>(std::ceil(ShutterSeconds(shutterName).value_or(0.0) * 1000.0));
}

}  // namespace

// A camera left alone for a minute may power itself off: during a long wait it is asked for a
// setting every 30 s, but not in the last seconds before a release, which it must not delay.
// False when it answered "disconnected" (the run then opens it again).
bool EclipseRun::KeepCameraAwake(double remainingMs) {
  if (simulation_ || camera_ == nullptr || remainingMs < KeepAliveQuietMs) {
    return true;
  }
  TickClock& ticks = clock_.Ticks();
  if (ticks.NowMs() - lastCameraMs_ < (touched_ ? KeepAliveIntervalMs : KeepAliveIdleMs)) {
    return true;
  }
  const uint32_t status = camera_->ReadProperty(PropAEMode);
  lastCameraMs_ = ticks.NowMs();
  touched_ = true;
  if (reopen_ && IsDisconnected(status)) {
    cameraLost_ = true;
    return false;
  }
  if (status != CamOk && status != CamBusy) {  // a busy camera is awake
    RunStep step = StepOf("Keep awake");
    step.status = status;
    step.trials = 1;
    step.text = KeepAliveFailedText(status);
    sink_.ShowStatus(step.text);
    Log(step);
  }
  return true;
}

// A camera is given 15 ms between one call's end and the next call (a simulated step always
// pauses). The run log's latest lines go to the disk in that pause; a call that needs no pause is
// never held up by the disk.
void EclipseRun::PauseBeforeCall() {
  TickClock& ticks = clock_.Ticks();
  const int64_t start = ticks.NowMs();
  const int64_t pauseMs = simulation_ ? RetryPauseMs : RetryPauseMs - (start - lastCameraMs_);
  if (pauseMs <= 0) {
    return;
  }
  if (log_) {
    log_->Sync();
  }
  ticks.SleepMs(pauseMs - (ticks.NowMs() - start));
}

// The latest instant a busy camera is asked again: the next row's time less what its settings
// need, or for a loop its own end. The test run keeps no time and has no such instant.
double EclipseRun::GiveUpJD() const {
  if (kind_ == RunKind::Test || row_ == 0) {
    return HUGE_VAL;
  }
  const ExposureRows& rows = table_.rows;
  if (RowKindOf(rows[row_ - 1]) == RowKind::Loop) {
    return RowTarget(rows[row_ - 1], RowKind::Loop);
  }
  for (size_t i = row_; i < rows.size(); ++i) {
    const RowKind kind = RowKindOf(rows[i]);
    if (kind == RowKind::Skipped || skipped_[i] != LeftOut::No) {
      continue;
    }
    const std::array<int64_t, 4> codes = RowCodes(ServedRow(i), 0);
    int changes = 0;
    for (size_t slot = 0; slot < codes.size() && kind != RowKind::Announcement; ++slot) {
      changes += codes[slot] != 0 && codes[slot] != lastCodes_[slot] ? 1 : 0;
    }
    return RowTarget(rows[i], kind) - changes * SettingLeadSeconds / SecondsPerDay;
  }
  return HUGE_VAL;
}

// The codes a row writes before its first picture: image quality, ISO, aperture and the shutter
// of its first marked column not in done (bit j: column j taken); 0 where there is nothing to write.
std::array<int64_t, 4> EclipseRun::RowCodes(const ExposureRow& row, uint32_t done) const {
  std::array<int64_t, 4> codes{ImageQualityCodeOf(Trim(row[ColumnQuality])), IsoCodeOf(Trim(row[ColumnIso])),
                               ApertureCodeOf(Trim(row[ColumnAperture])), 0};
  for (int j = FirstShutterColumn; j <= LastShutterColumn; ++j) {
    if (IsMarked(row, j) && (done & (1U << static_cast<unsigned>(j))) == 0) {
      codes[SlotShutter] = ShutterCodeOf(ShutterNameOfTitle(table_.titles[static_cast<size_t>(j)]));
      break;
    }
  }
  return codes;
}

bool EclipseRun::ApplySetting(CodeSlot slot, uint32_t code, const char* name, std::optional<double> due) {
  int64_t& last = lastCodes_[slot];
  if (code == 0 || code == last) {
    return true;
  }
  last = code;
  const uint32_t propertyId = SlotProperties[slot];
  StepResult result = RetryCameraStep(
      name, name, [this, propertyId, code] { return camera_->WriteProperty(propertyId, code); });
  if (result.aborted || result.lost) {
    LogCameraStep(name, result, due);
    return false;
  }
  std::optional<uint32_t> reported;
  if (!simulation_ && result.status == CamOk) {
    PauseBeforeCall();
    reported = camera_->ReportedValue(propertyId);
    lastCameraMs_ = clock_.Ticks().NowMs();
    touched_ = false;
  }
  std::string& notApplied = notApplied_[slot];
  if (result.status != CamOk || (reported && *reported != code)) {
    notApplied = NotAppliedText(name, result.status, reported);
    result.text = notApplied;
    sink_.ShowStatus(notApplied);
    last = -1;  // written again for the next row that asks for it
  } else {
    notApplied.clear();
  }
  LogCameraStep(name, result, due);
  return true;
}

bool EclipseRun::PrepareShot(const ExposureRow& row, int column, std::optional<double> due) {
  const std::string shutterName = ShutterNameOfTitle(table_.titles[static_cast<size_t>(column)]);
  Info(ShotInfoText(row, shutterName), infoColour_, InfoKind::Settings);
  shotSettings_ = "ISO " + std::string(Trim(row[ColumnIso])) + "  " + std::string(Trim(row[ColumnAperture])) +
                  "  " + shutterName;
  return ApplySetting(SlotShutter, ShutterCodeOf(shutterName), "Tv", due);
}

std::vector<std::string> EclipseRun::SettingsNotApplied() const {
  std::vector<std::string> texts;
  for (const std::string& text : notApplied_) {
    if (!text.empty()) {
      texts.push_back(text);
    }
  }
  return texts;
}

bool EclipseRun::Release(std::optional<double> due, const char* simulationName, int column) {
  const std::string shutterName = ShutterNameOfTitle(table_.titles[static_cast<size_t>(column)]);
  const bool bulb = ShutterCodeOf(shutterName) == ShutterBulb ||
                    (!simulation_ && camera_->GetCamera() != nullptr &&
                     static_cast<uint32_t>(camera_->GetCamera()->GetValue(PropAEMode)) == AEModeBulb);
  if (bulb) {
    RunStep step = StepOf("Picture");
    step.dueJD = due;
    step.text = BulbText;
    sink_.ShowStatus(step.text);
    ++summary_.picturesFailed;
    Log(step);
    return !Aborted();
  }
  uint64_t filesBefore = 0;
  if (!simulation_) {
    filesBefore = camera_->FilesAnnounced();
    watch_.Settle(filesBefore);
  }
  StepResult result = RetryCameraStep("Picture", simulationName, [this] { return camera_->TakePicture(); });
  if (result.lost) {
    LogCameraStep("Picture", result, due);
    return false;  // counted as lost or taken once the camera is back
  }
  const bool failed = result.status != 0 || result.trials >= MaxTrials;
  if (failed) {
    ++summary_.picturesFailed;
    result.text = FailedToReleaseText;
  } else {
    const std::vector<std::string> notApplied = SettingsNotApplied();
    summary_.picturesNotApplied += notApplied.empty() ? 0 : 1;
    if (due && (result.issuedJD - *due) * SecondsPerDay > LateSeconds) {
      ++summary_.picturesLate;
    }
    if (simulation_) {
      ++summary_.picturesTaken;
      result.text = PictureSimulatedText;
    } else {
      RunStep watched = StepOf("File");
      watched.dueJD = due;
      watched.issuedJD = result.issuedJD;
      watched_.emplace(nextTag_, watched);
      NotePreviewSource(nextTag_);
      const bool alone = watch_.Empty();
      watch_.Released(clock_.Ticks().NowMs(), ExposureMs(shutterName), nextTag_++);
      // Most bodies announce the file while the release call is still under way.
      result.text = alone && camera_->FilesAnnounced() > filesBefore ? PictureTakenText : PictureReleasedText;
    }
    result.text = WithNotApplied(result.text, notApplied);
  }
  if (!result.aborted) {
    sink_.ShowStatus(result.text);
    shownStatus_ = result.text;
  }
  LogCameraStep("Picture", result, due);
  CheckPictures();
  return !result.aborted;
}

// Counts the pictures whose file came, or whose watch ran out, since the last look.
void EclipseRun::CheckPictures() {
  if (camera_ == nullptr || simulation_) {
    return;
  }
  for (const PictureWatch::Outcome& outcome :
       watch_.Update(camera_->FilesAnnounced(), clock_.Ticks().NowMs())) {
    PictureDecided(outcome);
  }
}

void EclipseRun::PictureDecided(const PictureWatch::Outcome& outcome) {
  const auto found = watched_.find(outcome.tag);
  if (found == watched_.end()) {
    return;
  }
  RunStep step = found->second;
  watched_.erase(found);
  step.doneJD = Now();
  step.text = outcome.written ? FileWrittenText : NoFileText;
  if (outcome.written) {
    ++summary_.picturesTaken;
    PreviewPictureWritten(outcome.tag);
    const std::string_view released = PictureReleasedText;
    if (shownStatus_.starts_with(released)) {
      shownStatus_ = PictureTakenText + shownStatus_.substr(released.size());
      sink_.ShowStatus(shownStatus_);
    }
  } else {
    ++summary_.picturesNoFile;
    sink_.ShowStatus(step.text);
    shownStatus_ = step.text;
  }
  Log(step);
}

// At the end of a run: the last pictures' files are awaited, unless the run was aborted.
void EclipseRun::AwaitLastPictures() {
  TickClock& ticks = clock_.Ticks();
  while (!watch_.Empty() && !Aborted()) {
    Pump();
    CheckPictures();
    if (!watch_.Empty()) {
      waiter_.Sleep(std::min(MaxSliceMs, static_cast<double>(watch_.LastDeadlineMs() - ticks.NowMs())));
    }
  }
  for (const PictureWatch::Outcome& outcome : watch_.Abandon()) {
    PictureDecided(outcome);
  }
}

EclipseRun::StepResult EclipseRun::RetryCameraStep(const char* name, const char* simulationName,
                                                   const std::function<uint32_t()>& call) {
  StepResult result;
  const double giveUpJD = GiveUpJD();
  int failures = 0;
  bool again = false;
  do {
    ++result.trials;
    PauseBeforeCall();
    result.issuedJD = Now();
    if (simulation_) {
      result.text = SimulatedStepText(simulationName);
      sink_.ShowStatus(result.text);
      Pause(SimulatedStepMs);
      result.doneJD = Now();
      lastCameraMs_ = clock_.Ticks().NowMs();
    } else {
      result.status = call();
      result.doneJD = Now();
      lastCameraMs_ = clock_.Ticks().NowMs();
      touched_ = false;
      Pump();
      CheckPictures();
      result.text = CameraStepText(name, result.status, result.trials);
      sink_.ShowStatus(result.text);
      if (reopen_ && IsDisconnected(result.status)) {
        result.lost = cameraLost_ = true;
        break;
      }
    }
    if (Aborted()) {
      result.aborted = true;
      break;
    }
    // Without a way to open the camera again, a disconnected one is waited for as a busy one.
    const uint32_t status = IsDisconnected(result.status) ? CamBusy : result.status;
    failures += status != CamOk && status != CamBusy ? 1 : 0;
    again = TryCameraStepAgain(status, result.trials, failures, Now() >= giveUpJD);
  } while (again);
  return result;
}

void EclipseRun::LogCameraStep(const char* name, const StepResult& result, std::optional<double> due) {
  RunStep step = StepOf(name);
  step.dueJD = due;
  step.issuedJD = result.issuedJD;
  step.doneJD = result.doneJD;
  step.status = result.status;
  step.trials = result.trials;
  step.text = result.text;
  Log(step);
}

}  // namespace tevra

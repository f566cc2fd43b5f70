// SPDX-License-Identifier: GPL-3.0-or-later
// The run's previews and exposure bias: the last picture is fetched from the body only while the
// next camera step is far enough away that the fetch cannot delay it, and the bias is fixed for
// each row when the run begins it.
#include "camera/appmaster.h"
#include "camera/camera_status.h"
#include "camera/download_file.h"
#include "exposure/exposure_bias.h"
#include "run/eclipse_run.h"

#include <cmath>
#include <filesystem>
#include <fstream>

namespace tevra {
namespace {

// The file type of a preview's bytes, for the name it is saved under.
const char* PreviewExtension(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '5') {
    return ".pgm";
  }
  return ".jpg";
}

// Saves a preview beside the others without replacing any; its path, or "" with error set.
std::string SavePreview(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes,
                        std::string& error) {
  const std::string temporary = CreateDownloadTemporary(folder, name, error);
  if (temporary.empty()) {
    return {};
  }
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      error = "Cannot write " + temporary;
    }
  }
  std::string path = error.empty() ? PublishDownload(temporary, folder, name, error) : std::string();
  if (path.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
  }
  return path;
}

}  // namespace

void EclipseRun::SetBias(int thirds) { biasThirds_ = std::clamp(thirds, -MaxBiasThirds, MaxBiasThirds); }

void EclipseRun::SetPreviews(bool on, PreviewDecoder decoder, std::string folder) {
  previews_ = on;
  previewDecoder_ = std::move(decoder);
  previewFolder_ = std::move(folder);
}

// A row not begun yet takes the bias set now; one the run began keeps the bias it began with, so
// that a row served again after a reconnection takes the pictures it still owes at the same
// exposure.
ExposureRow EclipseRun::ServedRow(size_t index) const {
  const ExposureRow& row = table_.rows[index];
  const int thirds = rowBias_[index].value_or(biasThirds_);
  return thirds == 0 ? row : WithExposureBias(row, thirds).row;
}

// Fixes the bias of a row the run begins, and logs it when there is one.
void EclipseRun::BeginRowBias(size_t index) {
  if (rowBias_[index]) {
    return;
  }
  rowBias_[index] = biasThirds_;
  const RowKind kind = RowKindOf(table_.rows[index]);
  if (biasThirds_ == 0 || (kind != RowKind::Exposure && kind != RowKind::Loop)) {
    return;
  }
  const int applied = WithExposureBias(table_.rows[index], biasThirds_).appliedThirds;
  RunStep step = StepOf("Bias");
  step.text = BiasText(applied);
  if (applied != biasThirds_) {
    step.text += " of " + BiasText(biasThirds_) + " asked: the row's shutter and ISO go no further";
  }
  Log(step);
}

// What the preview of a picture released now will say it came from.
void EclipseRun::NotePreviewSource(int64_t tag) {
  if (!previews_ || row_ == 0) {
    return;
  }
  PreviewShot shot;
  shot.row = row_;
  shot.label = label_;
  shot.settings = shotSettings_;
  shot.biasThirds = rowBias_[row_ - 1].value_or(0);
  previewSources_[tag] = std::move(shot);
}

// A picture whose file came: it is the one to preview, in place of any older one still waiting.
void EclipseRun::PreviewPictureWritten(int64_t tag) {
  const auto found = previewSources_.find(tag);
  if (found == previewSources_.end()) {
    return;
  }
  pendingPreview_ = std::move(found->second);
  pendingItem_ = camera_->LastFileAnnounced();
  previewSources_.erase(previewSources_.begin(), std::next(found));
}

// Fetches, measures, saves and shows the preview waiting, when the next camera step is at least
// PreviewLeadMs away (remainingMs).
bool EclipseRun::ShowWaitingPreview(double remainingMs) {
  TickClock& ticks = clock_.Ticks();
  if (!pendingPreview_ || remainingMs < static_cast<double>(PreviewLeadMs) || camera_ == nullptr ||
      simulation_ || noPreviews_ || ticks.NowMs() < previewNotBeforeMs_) {
    return true;
  }
  PreviewShot shot = std::move(*pendingPreview_);
  pendingPreview_.reset();
  RunStep step = StepOf("Preview");
  step.row = shot.row;
  step.label = shot.label;
  std::vector<uint8_t> bytes;
  PauseBeforeCall();
  step.issuedJD = Now();
  step.status = camera_->FetchPreview(static_cast<CameraRef>(pendingItem_), bytes);
  step.trials = 1;
  step.doneJD = Now();
  lastCameraMs_ = ticks.NowMs();
  touched_ = true;
  Pump();
  // A body still writing the picture is asked again a little later, while there is time.
  if (*step.status == CamBusy) {
    pendingPreview_ = std::move(shot);
    previewNotBeforeMs_ = ticks.NowMs() + PreviewRetryMs;
    return false;
  }
  std::optional<PreviewImage> image;
  if (*step.status == CamOk) {
    image = previewDecoder_ ? previewDecoder_(bytes) : DecodePgmPreview(bytes);
  }
  noPreviews_ = *step.status == CamNotSupported;  // said once, not after every picture
  if (!image) {
    step.text = *step.status == CamOk ? "The preview cannot be read"
                                      : std::string("No preview: ") + CameraStatusText(*step.status);
    Log(step);
    return true;
  }
  shot.image = std::move(*image);
  shot.figures = MeasurePreview(shot.image.luminance);
  step.text = PreviewFiguresText(shot.figures);
  if (!previewFolder_.empty()) {
    std::string error;
    const std::string name =
        "preview-" + FileStamp(step.doneJD) + "-row" + std::to_string(shot.row) + PreviewExtension(bytes);
    shot.savedPath = SavePreview(previewFolder_, name, bytes, error);
    step.text += shot.savedPath.empty() ? ", not saved: " + error : ", saved " + shot.savedPath;
  }
  Log(step);
  sink_.ShowPreview(shot);
  return true;
}

// The last picture's preview: no step comes after it, but the body may still be writing it.
void EclipseRun::ShowLastPreview() {
  const int64_t endMs = clock_.Ticks().NowMs() + PreviewDeadlineMs;
  while (!ShowWaitingPreview(HUGE_VAL) && clock_.Ticks().NowMs() < endMs && PauseWithEvents(PreviewRetryMs)) {
  }
}

}  // namespace tevra

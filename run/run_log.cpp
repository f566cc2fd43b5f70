#include "run/run_log.h"

#include "run/run_texts.h"
#include "timing/astrolib.h"
#include "timing/time_text.h"

#include <filesystem>
#include <system_error>

namespace tevra {
namespace {

// A field as a comma-separated file needs it: quoted, with quotes doubled, when it holds a
// separator, a quote or a line break.
std::string Field(const std::string& text, char separator) {
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  return quoted + "\"";
}

}  // namespace

std::string FileStamp(double jd) {
  const CalendarTime t = JDCal(jd);
  const auto two = [](double value) {
    return LastChars("00" + std::to_string(static_cast<int64_t>(value)), 2);
  };
  return LastChars("0000" + std::to_string(t.Year), 4) + two(t.Month) + two(t.Day) + "-" + two(t.Hour) +
         two(t.Minute) + two(t.Second);
}

std::string RunLogFields(const RunStep& step, char separator) {
  const std::string sep(1, separator);
  return std::to_string(step.row) + sep + Field(step.label, separator) + sep + step.step + sep +
         (step.dueJD ? MillisecondTimeStr(*step.dueJD) : std::string()) + sep +
         MillisecondTimeStr(step.issuedJD) + sep + MillisecondTimeStr(step.doneJD) + sep +
         (step.status ? std::to_string(*step.status) : std::string()) + sep +
         (step.status ? std::to_string(step.trials) : std::string()) + sep + Field(step.text, separator);
}

bool RunLog::Open(const std::string& folder, double startJD) {
  namespace fs = std::filesystem;
  Close();
  error_.clear();
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string stem = folder + "run-" + FileStamp(startJD);
  path_ = stem + ".csv";
  for (int n = 2; n < 1000; ++n) {
    file_ = files_.CreateNew(path_, ec);
    if (file_ >= 0 || ec != std::errc::file_exists) {
      break;
    }
    path_ = stem + "-" + std::to_string(n) + ".csv";
  }
  if (file_ < 0) {
    error_ = "Cannot create the run log " + path_ + ": " + ec.message();
    return false;
  }
  Write(Header);
  Sync();
  if (IsOpen()) {
    // A new file's name reaches the disk with its folder.
    static_cast<void>(files_.SyncFolder(folder.empty() ? std::string(".") : folder));
  }
  return IsOpen();
}

void RunLog::Append(const RunStep& step) {
  if (IsOpen()) {
    Write(RunLogFields(step, ','));
  }
}

void RunLog::Write(const std::string& line) {
  if (const std::error_code error = files_.Write(file_, line + "\r\n"); error) {
    Fail(error);
    return;
  }
  unsynced_ = true;
}

void RunLog::Sync() {
  if (!IsOpen() || !unsynced_) {
    return;
  }
  unsynced_ = false;
  if (const std::error_code error = files_.Flush(file_); error) {
    Fail(error);
  }
}

void RunLog::Close() {
  if (!IsOpen()) {
    return;
  }
  Sync();
  if (IsOpen()) {
    const std::error_code error = files_.Close(file_);
    file_ = -1;
    if (error) {
      Fail(error);
    }
  }
}

void RunLog::Fail(const std::error_code& error) {
  error_ = "Cannot write the run log " + path_ + ": " + error.message();
  if (file_ >= 0) {
    static_cast<void>(files_.Close(file_));
    file_ = -1;
  }
}

}  // namespace tevra

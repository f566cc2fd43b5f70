// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_log.h"

#include "run/run_texts.h"
#include "timing/astrolib.h"
#include "timing/time_text.h"

#include <filesystem>
#include <string>
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

std::string RunLogTableLine(const std::string& tableName, const std::string& contentHash) {
  return "0," + Field(tableName, ',') + "," + TableStepName + ",,,,,," + Field(contentHash, ',');
}

bool RunLog::Open(const std::string& folder, double startJD, const std::string& tableLine) {
  Close();
  error_.clear();
  trouble_.clear();
  paths_.clear();
  pending_.clear();
  recovered_.clear();
  number_ = 0;
  folder_ = folder;
  stem_ = folder + "run-" + FileStamp(startJD);
  tableLine_ = tableLine;
  if (!Create()) {
    trouble_.clear();  // told by Open's answer
    return false;
  }
  return true;
}

// A new file of the log's name with its first lines, synced with its folder; false with the
// error noted when there is none.
bool RunLog::Create() {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  // A continuation takes a number after the log's last file.
  int number = number_ + 1;
  for (; number < 1000; ++number) {
    path_ = number == 1 ? stem_ + ".csv" : stem_ + "-" + std::to_string(number) + ".csv";
    file_ = files_.CreateNew(path_, ec);
    if (file_ >= 0 || ec != std::errc::file_exists) {
      break;
    }
  }
  if (file_ < 0) {
    Fail("Cannot create the run log " + path_, ec);
    return false;
  }
  std::error_code error = files_.Write(file_, std::string(Header) + "\r\n");
  if (!error && !tableLine_.empty()) {
    error = files_.Write(file_, tableLine_ + "\r\n");
  }
  if (!error) {
    error = files_.Flush(file_);
  }
  if (error) {
    Fail("Cannot write the run log " + path_, error);
    files_.Remove(path_);  // holds nothing of the run; the next try takes its name again
    return false;
  }
  // A new file's name reaches the disk with its folder.
  static_cast<void>(files_.SyncFolder(folder_.empty() ? std::string(".") : folder_));
  if (!error_.empty()) {
    Tell("the run log goes on in " + path_);
    error_.clear();
  }
  paths_.push_back(path_);
  number_ = number;
  return true;
}

void RunLog::Append(const RunStep& step) {
  if (stem_.empty()) {
    return;  // never opened
  }
  pending_.push_back(RunLogFields(step, ',') + "\r\n");
  WritePending();
}

// Only lines not yet written are kept, so that the log takes no more memory as the night goes on.
void RunLog::WritePending() {
  if (!IsOpen() && HasUnwritten() && !Create()) {
    return;
  }
  if (!recovered_.empty()) {
    if (const std::error_code error = files_.Write(file_, recovered_); error) {
      Fail("Cannot write the run log " + path_, error);
      return;
    }
    recovered_.clear();
    unsynced_ = true;
  }
  for (; !pending_.empty(); pending_.pop_front()) {
    if (const std::error_code error = files_.Write(file_, pending_.front()); error) {
      Fail("Cannot write the run log " + path_, error);
      return;
    }
    unsynced_ = true;
  }
}

// The step lines of the open file, read back through its descriptor: a removed file's data stay
// readable there until it is closed.
std::string RunLog::StepLinesOfOpenFile() const {
  std::string bytes;
  if (!ReadRegularFile("/proc/self/fd/" + std::to_string(file_), bytes, size_t{64} << 20U).empty()) {
    return {};
  }
  size_t start = bytes.find("\r\n");
  if (start != std::string::npos && !tableLine_.empty()) {
    start = bytes.find("\r\n", start + 2);
  }
  const size_t end = bytes.rfind("\r\n");  // a line cut short by a failed write is not taken
  return start == std::string::npos || end == std::string::npos || end <= start
             ? std::string()
             : bytes.substr(start + 2, end + 2 - (start + 2));
}

void RunLog::Check() {
  if (IsOpen() && files_.Unlinked(file_)) {
    recovered_ = StepLinesOfOpenFile();
    Fail("The run log " + path_ + " was removed", {});
    paths_.pop_back();
  }
  WritePending();
}

void RunLog::Sync() {
  if (!IsOpen() || !unsynced_) {
    return;
  }
  unsynced_ = false;
  if (const std::error_code error = files_.Flush(file_); error) {
    Fail("Cannot write the run log " + path_, error);
  }
}

void RunLog::Close() {
  Check();
  if (!IsOpen()) {
    return;
  }
  Sync();
  if (IsOpen()) {
    const std::error_code error = files_.Close(file_);
    file_ = -1;
    if (error) {
      Fail("Cannot write the run log " + path_, error);
    }
  }
}

std::vector<std::string> RunLog::Paths() const {
  std::vector<std::string> existing;
  for (const std::string& path : paths_) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      existing.push_back(path);
    }
  }
  return existing;
}

void RunLog::Tell(const std::string& text) { trouble_ += (trouble_.empty() ? "" : "; ") + text; }

void RunLog::Fail(const std::string& what, const std::error_code& error) {
  const std::string text = error ? what + ": " + error.message() : what;
  if (text != error_) {
    Tell(text);  // once, not at every line while the disk stays full
  }
  error_ = text;
  if (file_ >= 0) {
    static_cast<void>(files_.Close(file_));
    file_ = -1;
  }
}

}  // namespace tevra

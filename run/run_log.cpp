#include "run/run_log.h"

#include "run/run_texts.h"
#include "timing/astrolib.h"
#include "timing/time_text.h"

#include <cerrno>
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

std::string FileStamp(double jd) {
  const CalendarTime t = JDCal(jd);
  const auto two = [](double value) {
    return LastChars("00" + std::to_string(static_cast<int64_t>(value)), 2);
  };
  return LastChars("0000" + std::to_string(t.Year), 4) + two(t.Month) + two(t.Day) + "-" + two(t.Hour) +
         two(t.Minute) + two(t.Second);
}

std::string SystemText() { return std::error_code(errno, std::generic_category()).message(); }

}  // namespace

std::string RunLogFields(const RunStep& step, char separator) {
  const std::string sep(1, separator);
  return std::to_string(step.row) + sep + Field(step.label, separator) + sep + step.step + sep +
         (step.dueJD ? MillisecondTimeStr(*step.dueJD) : std::string()) + sep +
         MillisecondTimeStr(step.issuedJD) + sep + MillisecondTimeStr(step.doneJD) + sep +
         (step.status ? std::to_string(*step.status) : std::string()) + sep +
         (step.status ? std::to_string(step.trials) : std::string());
}

bool RunLog::Open(const std::string& folder, double startJD) {
  namespace fs = std::filesystem;
  error_.clear();
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string stem = folder + "run-" + FileStamp(startJD);
  path_ = stem + ".csv";
  for (int n = 2; fs::exists(path_, ec); ++n) {
    path_ = stem + "-" + std::to_string(n) + ".csv";
  }
  file_.open(path_, std::ios::binary | std::ios::out);
  if (!file_) {
    error_ = "Cannot create the run log " + path_ + ": " + SystemText();
    return false;
  }
  Write(Header);
  return IsOpen();
}

void RunLog::Append(const RunStep& step) {
  if (IsOpen()) {
    Write(RunLogFields(step, ','));
  }
}

void RunLog::Write(const std::string& line) {
  file_ << line << "\r\n";
  file_.flush();
  if (!file_) {
    error_ = "Cannot write the run log " + path_ + ": " + SystemText();
    file_.close();
  }
}

}  // namespace tevra

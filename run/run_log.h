// The run log: every step of a start or test run as one line of a comma-separated file in the
// documents folder, written and flushed as it happens so that a crash loses nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

namespace tevra {

// One step of a run. Times are readings of the run clock (rehearsal offset included).
struct RunStep {
  size_t row = 0;     // grid row counted from 1; 0 for steps of the run itself
  std::string label;  // the row's label, trimmed
  std::string step;   // "Wait", "IQ", "ISO", "Av", "Tv", "Picture", "Announcement", "Loop end", "Abort"
  std::optional<double> dueJD;  // the instant the step was meant for, where there is one
  double issuedJD = 0;          // camera steps: when the last trial's call went out
  double doneJD = 0;
  std::optional<uint32_t> status;  // camera steps: the last status
  int trials = 0;                  // camera steps: calls made
  std::string text;                // the status line's text of the step
};

// The step's fields as the log writes them: row, label, step, due, issued, done, status, trials.
std::string RunLogFields(const RunStep& step, char separator);

class RunLog {
 public:
  static constexpr const char* Header = "row,label,step,due,issued,done,status,trials";

  // Creates "run-YYYYMMDD-hhmmss.csv" in folder, named after the local time startJD; a file of
  // that name is never replaced ("-2", "-3" ... are tried). False with Error() set on failure.
  bool Open(const std::string& folder, double startJD);
  // Appends one line and flushes it. After a write error the log stays closed.
  void Append(const RunStep& step);

  [[nodiscard]] bool IsOpen() const { return file_.is_open(); }
  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] const std::string& Error() const { return error_; }

 private:
  void Write(const std::string& line);

  std::ofstream file_;
  std::string path_;
  std::string error_;
};

}  // namespace tevra

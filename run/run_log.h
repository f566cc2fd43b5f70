// The run log: every step of a start or test run as one line of a comma-separated file in the
// documents folder. Each line is written whole in one piece as it happens, so that a crash leaves
// no half line, and put on the disk in the next pause of the run (before each wait for a row, and
// between camera calls that come close together), so that a power cut loses at most the last
// few steps and the disk never delays a release.
#pragma once

#include "state/file_io.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tevra {

// One step of a run. Times are readings of the run clock (rehearsal offset included).
struct RunStep {
  size_t row = 0;     // grid row counted from 1; 0 for steps of the run itself
  std::string label;  // the row's label, trimmed
  std::string
      step;  // "Wait", "IQ", "ISO", "Av", "Tv", "Picture", "File", "Announcement", "Loop end", "Abort"
  std::optional<double> dueJD;  // the instant the step was meant for, where there is one
  double issuedJD = 0;          // camera steps: when the last trial's call went out
  double doneJD = 0;
  std::optional<uint32_t> status;  // camera steps: the last status
  int trials = 0;                  // camera steps: calls made
  std::string text;                // the status line's text of the step
};

// The step's fields as the log writes them: row, label, step, due, issued, done, status, trials,
// text.
std::string RunLogFields(const RunStep& step, char separator);

// "YYYYMMDD-hhmmss" of a local time, as the names of the run's files carry it.
std::string FileStamp(double jd);

class RunLog {
 public:
  static constexpr const char* Header = "row,label,step,due,issued,done,status,trials,text";

  explicit RunLog(FileLayer& files = SystemFileLayer()) : files_(files) {}
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;
  ~RunLog() { Close(); }

  // Creates "run-YYYYMMDD-hhmmss.csv" in folder, named after the local time startJD; a file of
  // that name is never replaced ("-2", "-3" ... are tried). The file, its header line and its
  // name in the folder are on the disk when it returns true; false with Error() set on failure.
  bool Open(const std::string& folder, double startJD);
  // Appends one line in a single write. After a write error the log stays closed.
  void Append(const RunStep& step);
  // Puts the lines appended so far on the disk; nothing when they are there already.
  void Sync();
  // Syncs and closes the file.
  void Close();

  [[nodiscard]] bool IsOpen() const { return file_ >= 0; }
  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] const std::string& Error() const { return error_; }

 private:
  void Write(const std::string& line);
  void Fail(const std::error_code& error);

  FileLayer& files_;
  int file_ = -1;
  bool unsynced_ = false;
  std::string path_;
  std::string error_;
};

}  // namespace tevra

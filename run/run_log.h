// SPDX-License-Identifier: GPL-3.0-or-later
// The run log: every step of a start or test run as one line of a comma-separated file in the
// documents folder. Each line is written whole in one piece as it happens, so that a crash leaves
// no half line, and put on the disk in the next pause of the run (before each wait for a row, and
// between camera calls that come close together), so that a power cut loses at most the last
// few steps and the disk never delays a release.
#pragma once

#include "state/file_io.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
// The log's line naming the table a run served, written after the header: row 0, the table's name
// as label, step "Table", the content hash of its cells as text.
std::string RunLogTableLine(const std::string& tableName, const std::string& contentHash);
constexpr const char* TableStepName = "Table";
// The step logged when Advance Time moves a start run's clock: a rehearsal from there on.
constexpr const char* AdvanceTimeStepName = "Advance Time";

class RunLog {
 public:
  static constexpr const char* Header = "row,label,step,due,issued,done,status,trials,text";

  explicit RunLog(FileLayer& files = SystemFileLayer()) : files_(files) {}
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;
  ~RunLog() { Close(); }

  // Creates "run-YYYYMMDD-hhmmss.csv" in folder, named after the local time startJD; a file of
  // that name is never replaced ("-2", "-3" ... are tried). The file, its header line, tableLine
  // (when not empty) and its name in the folder are on the disk when it returns true; false with
  // Error() set on failure.
  bool Open(const std::string& folder, double startJD, const std::string& tableLine = {});
  // Appends one line in a single write. A line that cannot be written is kept, and the log goes on
  // in a continuation file of the same name with "-2", "-3" ... as soon as one can be created.
  void Append(const RunStep& step);
  // Puts the lines appended so far on the disk; nothing when they are there already.
  void Sync();
  // Looks whether the file was removed meanwhile (then its lines are written again to a
  // continuation), and tries again to create a continuation for lines not yet written.
  void Check();
  // Syncs and closes the file.
  void Close();

  [[nodiscard]] bool IsOpen() const { return file_ >= 0; }
  // The file being written, or the last one.
  [[nodiscard]] const std::string& Path() const { return path_; }
  // Every file the log was written to, in order, as long as each still exists.
  [[nodiscard]] std::vector<std::string> Paths() const;
  // True while lines appended are in no file.
  [[nodiscard]] bool HasUnwritten() const { return !pending_.empty() || !recovered_.empty(); }
  // What went wrong last ("" when nothing did).
  [[nodiscard]] const std::string& Error() const { return error_; }
  // Trouble not yet reported: the text once, then "" until something new goes wrong.
  std::string TakeTrouble() { return std::exchange(trouble_, std::string()); }

 private:
  bool Create();
  void WritePending();
  [[nodiscard]] std::string StepLinesOfOpenFile() const;
  void Tell(const std::string& text);
  void Fail(const std::string& what, const std::error_code& error);

  FileLayer& files_;
  int file_ = -1;
  bool unsynced_ = false;
  std::string folder_;
  std::string stem_;
  std::string tableLine_;
  int number_ = 0;  // of the last file created: 1 for "run-....csv", n for "-n"
  std::string path_;
  std::vector<std::string> paths_;
  std::deque<std::string> pending_;  // step lines not yet written
  std::string recovered_;            // the step lines of a removed file, to write again
  std::string error_;
  std::string trouble_;
};

}  // namespace tevra

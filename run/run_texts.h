// SPDX-License-Identifier: GPL-3.0-or-later
// What the photography run decides and shows, as plain functions: the texts of
// the page's labels and status line, the loop's stop rule, the rehearsal offset and the checks
// made before a run starts.
#pragma once

#include "exposure/exposure_table.h"
#include "exposure/table_rows.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tevra {

constexpr const char* SimulationModeMessage = "Camera not connected! SIMULATION MODE enabled!";
constexpr const char* NoTableMessage =
    "No exposure table.\nSelect \"Exposure Tables\",\nthen load or create a table";
constexpr const char* LoopPhaseText = "Loop during totality";
constexpr const char* LoopTestPhaseText = "1x Loop test";
constexpr const char* FailedToReleaseText = "Failed to release!";
constexpr const char* PictureTakenText = "Picture taken";
constexpr const char* PictureSimulatedText = "Picture taken (SIMULATED)";
constexpr const char* ReconnectingText = "Camera disconnected - reconnecting";
constexpr const char* ReconnectedText = "Camera reconnected";
constexpr const char* SkippedRowText = "skipped: due before the run started";
// Asked before closing a window or disconnecting ends a start run.
constexpr const char* StopRunToExitQuestion = "A photography run is in progress. Stop it and exit?";
constexpr const char* StopRunToDisconnectQuestion =
    "A photography run is in progress. Stop it and disconnect the camera?";
constexpr const char* OpenTableDuringRunQuestion =
    "A photography run is in progress; it goes on with the table as it stood at its start. Open another "
    "table all the same?";
// A run started while the camera window still works with the camera (a picture being fetched):
// it starts from the event loop once that work has ended.
constexpr const char* WaitingForCameraText = "The run starts once the camera has finished its work";
constexpr const char* TakenBeforeRowText = "taken before: by an earlier run of this table";
constexpr const char* LostRowText = "lost: due while the camera was disconnected";
constexpr const char* PictureReleasedText = "Picture released, waiting for its file";
constexpr const char* FileWrittenText = "file written";
constexpr const char* NoFileText =
    "Released, but the camera announced no file: no card in it, or the card is full?";
constexpr const char* BulbText =
    "Not released: in Bulb a release has no hold time. Set the camera to M and mark a timed shutter column.";

// An edit of the table during a run that the run does not follow, said once: sameTable false when
// rows were added or removed or another table was put into the grid, true when the row's time
// cannot be read.
std::string RowKeptText(size_t row, bool sameTable);

// "at: " or "by: " followed by the instant with tenths.
std::string WannText(std::string_view prefix, double jd);

// The settings of the coming picture: "IQ  : " cell 3, "ISO: " cell 4, "Av  : " cell 5 and
// "Tv  : " the shutter name, on four lines ended by CR LF.
std::string ShotInfoText(const ExposureRow& row, const std::string& shutterName);

// "IQ: Sts=0 Trials=1" and "IQ: SIMULATION MODE".
std::string CameraStepText(std::string_view name, uint32_t status, int trials);
std::string SimulatedStepText(std::string_view name);

// Whether a camera step that answered status after trials calls, failures of them with a status
// other than busy, is tried once more. A busy camera is asked again after the pause until the step
// must give up (pastGiveUp: the next row falls due) or MaxBusyTrials calls were made; any other
// failure is tried MaxFailedTrials times, as a value the body refuses or a full card will not
// change within a second.
constexpr int MaxBusyTrials = 5000;
constexpr int MaxFailedTrials = 3;
bool TryCameraStepAgain(uint32_t status, int trials, int failures, bool pastGiveUp);

// A setting the run could not apply: "ISO not applied: Sts=195 (value refused by the camera)", or
// with status 0 and the value the body reports instead, "ISO not applied: the camera reports 0x48".
std::string NotAppliedText(std::string_view name, uint32_t status, std::optional<uint32_t> reported);

// The status line of a picture released while settings were not applied: the picture's own text,
// then every setting not applied.
std::string WithNotApplied(std::string text, const std::vector<std::string>& notApplied);

// The run's counts on one line, as the page shows them when the run ends: "Pictures taken 3, failed 0,
// settings not applied 0, released without a file 0, lost 0".
std::string RunCountsText(int taken, int failed, int notApplied, int noFile, int lost);

// The banner text of an announcement label: upper-cased, cut before ".WAV", "-" and "_" as blanks.
std::string AnnouncementText(std::string_view label);

// Seconds one more picture of a shutter column takes inside a loop: about twice its exposure
// time plus a 10 s margin.
double LoopPictureSeconds(int column);

// The offset in days that makes the run clock read 5 seconds before the instant written in
// Label_Wann (whose first four characters, "at: " or "by: ", are passed over).
double RehearsalOffsetFor(std::string_view labelWann, double localJD);

// A time with milliseconds, "YYYY-MM-DD hh:mm:ss.sss", for the run log.
std::string MillisecondTimeStr(double jd);

// A row whose time the run would need and cannot read.
struct RowTimeProblem {
  size_t row = 0;  // counted from 1, as the grid's gutter numbers rows
  std::string text;
  std::string error;
};

// Every row with a label whose time cannot be read.
std::vector<RowTimeProblem> UnreadableRowTimes(const ExposureRows& rows);

// The message shown instead of starting: the first rows of the list with their texts.
std::string UnreadableTimesMessage(const std::vector<RowTimeProblem>& problems);

// The question asked before a start run when count entries were due more than 60 s before it
// began, the first at firstJD and the last at lastJD: Yes takes them now, No skips them.
std::string PastRowsQuestion(size_t count, double firstJD, double lastJD);

// The status line when the camera does not answer the read that keeps it awake.
std::string KeepAliveFailedText(uint32_t status);

// Before a start run: count entries were taken in full by earlier runs of the table in the last
// 12 hours, due from firstJD to lastJD.
std::string RetakeQuestion(size_t count, double firstJD, double lastJD);

// The files of a run log as the status line names them.
std::string RunLogNames(const std::vector<std::string>& paths);

// Hours east of UTC of the zone named in the title of the time column ("Date Time;[UTC-05]"); empty
// when the title names no zone of the zone table.
std::optional<double> ZoneOffsetOfTitle(std::string_view title);

// "UTC", "UTC+02", "UTC-03:30".
std::string UtcOffsetName(double hours);

// The warning shown before a start run when the table's zone is not the computer's present zone;
// empty when they agree or the table names no zone.
std::string ZoneWarning(std::string_view timeTitle, double computerOffsetHours);
// What the window asks after the zone warning, with Yes and No.
constexpr const char* ZoneQuestion = "Start the run anyway?";

}  // namespace tevra

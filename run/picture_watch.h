// SPDX-License-Identifier: GPL-3.0-or-later
// A picture counts as taken only once the body announces its new file: a body without a card, or
// with a full one, answers the release with OK and writes nothing. Each release answered OK is
// watched until its exposure plus FileWaitMs have passed; the watch goes on while the run waits
// for its next step, so it never delays one.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace tevra {

class PictureWatch {
 public:
  static constexpr int64_t FileWaitMs = 5000;

  // What became of a watched picture.
  struct Outcome {
    bool written = false;  // its file was announced; false: the watch ran out without one
    int64_t tag = 0;       // what the caller gave Released
  };

  // Before a release: files announced while no picture was awaited belong to none of the run's.
  // (Only here: a file may be announced while its release call is still under way.)
  void Settle(uint64_t filesAnnounced);
  // A release answered OK at nowMs, with the exposure time it was given.
  void Released(int64_t nowMs, int64_t exposureMs, int64_t tag);
  // The files announced so far (a count that only grows within a session) and the time: the
  // pictures decided since the last call, oldest first. Files confirm pictures in release order.
  std::vector<Outcome> Update(uint64_t filesAnnounced, int64_t nowMs);
  // The watches still open, all run out: what a new session, whose count starts again, leaves.
  std::vector<Outcome> Abandon();
  // A new session: its count of files starts at filesAnnounced.
  void Restart(uint64_t filesAnnounced) { seen_ = filesAnnounced; }

  [[nodiscard]] bool Empty() const { return pending_.empty(); }
  // The tick time at which the last open watch runs out; 0 when none is open.
  [[nodiscard]] int64_t LastDeadlineMs() const { return pending_.empty() ? 0 : pending_.back().deadlineMs; }

 private:
  struct Pending {
    int64_t deadlineMs = 0;
    int64_t tag = 0;
  };
  std::deque<Pending> pending_;
  uint64_t seen_ = 0;
};

}  // namespace tevra

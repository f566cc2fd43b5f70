// SPDX-License-Identifier: GPL-3.0-or-later
// The thread that owns a camera library: it runs the callers' tasks one at a time, each against a
// deadline, and between them an idle task (the event poll). A caller whose task has not finished by
// its deadline (the task itself, or whatever held the worker before it) gets CamTimeout and the
// library is asked to cancel; if the library does not let go, the caller is free all the same, and
// later calls answer CamTimeout at once until the worker is back.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tevra {

class CameraWorker {
  struct State;

 public:
  // idle runs on the worker whenever no task has come for idleIntervalMs; finally runs on the
  // worker when it stops, after the last task, however late that is.
  CameraWorker(std::function<void()> idle, std::function<void()> finally, int64_t idleIntervalMs);
  CameraWorker(const CameraWorker&) = delete;
  CameraWorker& operator=(const CameraWorker&) = delete;
  // Stops: waits up to DefaultStopBoundMs for the last task, not at all when the worker is stuck.
  ~CameraWorker();
  static constexpr int64_t DefaultStopBoundMs = 10000;

  // Runs task on the worker and returns its status, or CamTimeout when it has not finished within
  // deadlineMs of its start or of its last Progress(). While the caller waits, wait is called every
  // few milliseconds (may be empty).
  uint32_t Run(const std::function<uint32_t()>& task, int64_t deadlineMs, const std::function<void()>& wait);

  // What a running task may tell or ask its worker; usable for as long as it is held, even after
  // the worker object is gone.
  class Link {
   public:
    // The task gets on, which moves its deadline.
    void Progress() const;
    // True while a caller has given up waiting for the worker; the library's cancel function asks this.
    [[nodiscard]] bool CancelRequested() const;

   private:
    friend class CameraWorker;
    std::shared_ptr<State> state_;
  };
  [[nodiscard]] Link GetLink() const;
  // True while the library holds the worker in something a caller gave up waiting for.
  [[nodiscard]] bool Stuck() const;

  // Stops taking tasks and waits up to boundMs for the worker to finish; a worker still held by the
  // library after that is left to end by itself.
  void Stop(int64_t boundMs);

 private:
  struct Task;
  static void Loop(const std::shared_ptr<State>& state);

  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace tevra

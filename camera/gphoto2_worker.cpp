// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/gphoto2_worker.h"

#include "camera/camera_status.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>

namespace tevra {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting caller's hook runs: often enough for windows to repaint smoothly.
constexpr auto WaitStep = std::chrono::milliseconds(15);

}  // namespace

struct CameraWorker::Task {
  std::function<uint32_t()> run;
  uint32_t status = CamOk;
  bool done = false;
  Clock::time_point lastProgress;
};

struct CameraWorker::State {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::shared_ptr<Task>> queue;
  std::shared_ptr<Task> running;
  bool stopping = false;
  bool finished = false;
  // A caller gave up waiting for what the worker does now (a task or the idle task); cleared when
  // that comes back.
  bool blocked = false;
  std::atomic<bool> cancel{false};
  std::function<void()> idle;
  std::function<void()> finally;
  Clock::duration idleInterval;
};

CameraWorker::CameraWorker(std::function<void()> idle, std::function<void()> finally, int64_t idleIntervalMs)
    : state_(std::make_shared<State>()) {
  state_->idle = std::move(idle);
  state_->finally = std::move(finally);
  state_->idleInterval = std::chrono::milliseconds(idleIntervalMs);
  thread_ = std::thread(&CameraWorker::Loop, state_);
}

CameraWorker::~CameraWorker() { Stop(Stuck() ? 0 : DefaultStopBoundMs); }

void CameraWorker::Loop(const std::shared_ptr<State>& state) {
  // A body that closes its connection makes the library write to a closed socket: that must fail
  // with EPIPE on this thread, not end the program.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

  std::unique_lock lock(state->mutex);
  Clock::time_point lastIdle = Clock::now();
  while (true) {
    state->changed.wait_until(lock, lastIdle + state->idleInterval,
                              [&] { return state->stopping || !state->queue.empty(); });
    if (state->stopping) {
      break;
    }
    // The idle task runs at its interval even while tasks keep coming.
    if (Clock::now() >= lastIdle + state->idleInterval) {
      lock.unlock();
      state->idle();
      lock.lock();
      lastIdle = Clock::now();
      state->blocked = false;
      state->cancel = false;
      continue;
    }
    std::shared_ptr<Task> task = state->queue.front();
    state->queue.pop_front();
    state->running = task;
    state->cancel = false;
    task->lastProgress = Clock::now();
    lock.unlock();
    const uint32_t status = task->run();
    lock.lock();
    task->status = status;
    task->done = true;
    state->running.reset();
    state->blocked = false;
    state->cancel = false;
    state->changed.notify_all();
  }
  // Tasks still queued were given up by their callers.
  state->queue.clear();
  lock.unlock();
  state->finally();
  // The tasks hold links to this state: let go of them so that the state can end.
  state->idle = nullptr;
  state->finally = nullptr;
  lock.lock();
  state->finished = true;
  state->changed.notify_all();
}

uint32_t CameraWorker::Run(const std::function<uint32_t()>& task, int64_t deadlineMs,
                           const std::function<void()>& wait) {
  auto request = std::make_shared<Task>();
  request->run = task;
  const auto deadline = std::chrono::milliseconds(deadlineMs);
  std::unique_lock lock(state_->mutex);
  if (state_->stopping) {
    return CamSessionNotOpen;
  }
  if (state_->blocked) {
    return CamTimeout;  // the library still holds the worker in what a caller gave up on
  }
  state_->queue.push_back(request);
  state_->changed.notify_all();
  const Clock::time_point queued = Clock::now();
  while (!request->done) {
    const Clock::time_point from =
        state_->running == request ? std::max(queued, request->lastProgress) : queued;
    if (Clock::now() >= from + deadline) {
      // Whatever holds the worker, the task itself or what ran before it, has not come back in
      // time: ask the library to cancel it, and answer later calls at once until it is back.
      if (state_->running != request) {
        std::erase(state_->queue, request);
      }
      state_->blocked = true;
      state_->cancel = true;
      return CamTimeout;
    }
    const auto step = std::min<Clock::duration>(WaitStep, from + deadline - Clock::now());
    if (!wait) {
      state_->changed.wait_for(lock, step);
      continue;
    }
    if (state_->changed.wait_for(lock, step, [&] { return request->done; })) {
      break;
    }
    lock.unlock();
    wait();
    lock.lock();
  }
  return request->status;
}

CameraWorker::Link CameraWorker::GetLink() const {
  Link link;
  link.state_ = state_;
  return link;
}

void CameraWorker::Link::Progress() const {
  std::lock_guard lock(state_->mutex);
  if (state_->running) {
    state_->running->lastProgress = Clock::now();
  }
}

bool CameraWorker::Link::CancelRequested() const { return state_->cancel; }

bool CameraWorker::Stuck() const {
  std::lock_guard lock(state_->mutex);
  return state_->blocked;
}

void CameraWorker::Stop(int64_t boundMs) {
  if (!thread_.joinable()) {
    return;
  }
  std::unique_lock lock(state_->mutex);
  state_->stopping = true;
  state_->changed.notify_all();
  const bool finished =
      state_->changed.wait_for(lock, std::chrono::milliseconds(boundMs), [&] { return state_->finished; });
  lock.unlock();
  if (finished) {
    thread_.join();
  } else {
    thread_.detach();  // it holds its own share of the state and tidies up when the library lets go
  }
}

}  // namespace tevra

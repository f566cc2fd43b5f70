// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the computer awake during a start run: no suspend, no blanked screen. The run asks for it
// at its start and gives it back at its end step; tests inject their own.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tevra {

class KeepAwake {
 public:
  KeepAwake() = default;
  KeepAwake(const KeepAwake&) = delete;
  KeepAwake& operator=(const KeepAwake&) = delete;
  virtual ~KeepAwake() = default;

  // Asks the desktop not to suspend or blank the screen. Returns "" when it agreed or its answer
  // is still to come, else what failed (for the status line; the run goes on either way).
  virtual std::string Inhibit(const std::string& reason) = 0;
  // Gives the request back; nothing when none is held.
  virtual void Release() = 0;
};

// Through the desktop's D-Bus interfaces: the screen saver's Inhibit on the session bus and
// logind's sleep and idle inhibitor on the system bus. Released at the latest when destroyed.
// Nothing waits for the desktop's answers: they come through the event loop, and failed is called
// with what went wrong when neither service agreed.
std::unique_ptr<KeepAwake> MakeDesktopKeepAwake(std::function<void(const std::string&)> failed = {});

}  // namespace tevra

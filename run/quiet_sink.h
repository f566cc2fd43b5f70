// SPDX-License-Identifier: GPL-3.0-or-later
// A run sink that shows nothing and starts whatever the zone, for runs without a window: the
// command line and the benchmarks override what they print or measure.
#pragma once

#include "run/eclipse_run.h"

namespace tevra {

class QuietRunSink : public RunSink {
 public:
  void ShowPhase(const std::string& /*text*/) override {}
  void ShowWann(const std::string& /*text*/) override {}
  void ShowWannDiff(const std::string& /*text*/) override {}
  void ShowInfo(const std::string& /*text*/, Rgb /*colour*/, InfoKind /*kind*/) override {}
  void ShowStatus(const std::string& /*text*/) override {}
  void ShowBanner(const std::string& /*text*/) override {}
  void BlinkBanner(Rgb /*background*/) override {}
  void HideBanner() override {}
  void RunStarting(RunKind /*kind*/) override {}
  void ShowAdvanceControls(bool /*shown*/) override {}
  void ShowRunning(RunKind /*kind*/, bool /*running*/) override {}
  bool ConfirmZone(const std::string& /*warning*/) override { return true; }
  void StepDone(const RunStep& /*step*/) override {}
};

}  // namespace tevra

// A run sink for the benchmarks: it shows nothing and starts whatever the zone; a benchmark
// overrides StepDone to measure the steps.
#pragma once

#include "run/eclipse_run.h"

namespace tevra::bench {

class QuietSink : public RunSink {
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

}  // namespace tevra::bench

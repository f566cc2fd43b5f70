// SPDX-License-Identifier: GPL-3.0-or-later
// tevra-cli camera: a headless check of a camera through the same session manager as the
// camera window.
#include "camera/appmaster.h"
#include "camera/camera_choice.h"
#include "camera/camera_events.h"
#include "camera/camera_status.h"
#include "camera/setting_names.h"
#include "timing/divprocs.h"
#include "timing/text_util.h"
#include "timing/tick_clock.h"
#include "timing/time_text.h"
#include "tools/tevra-cli/cli.h"

#include <QCoreApplication>
#include <QObject>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tevra::cli {
namespace {

constexpr int64_t RetryPauseMs = 15;
constexpr int MaxTrials = 5000;
// How long a released picture may take to be offered for download: the longest exposure and more.
constexpr int64_t DownloadWaitMs = 60000;

struct SettingId {
  const char* alias;
  uint32_t property;
  const char* title;
};

constexpr std::array<SettingId, 5> Settings = {{{"iq", PropImageQuality, "Image quality"},
                                                {"ae", PropAEMode, "AE mode"},
                                                {"iso", PropIso, "ISO speed"},
                                                {"av", PropAv, "Av (aperture)"},
                                                {"tv", PropTv, "Tv (shutter time)"}}};

std::string HexId(uint32_t value) {
  std::string digits = HexStr(value, 4);
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  return "0x" + digits;
}

std::optional<SettingId> SettingNamed(const std::string& text) {
  for (const SettingId& setting : Settings) {
    if (SameIgnoringCase(text, setting.alias) || SameIgnoringCase(text, HexId(setting.property))) {
      return setting;
    }
  }
  return std::nullopt;
}

// The code of a setting's name; there is no name lookup for AE modes elsewhere, a camera's
// mode is set on its dial, but a check of the link may still try one.
std::optional<uint32_t> CodeOfName(uint32_t property, const std::string& name) {
  const int kind = KindOfProperty(property);
  for (const SettingName& entry : SettingNameTable(kind)) {
    if (entry.Code != UnknownCode && SameIgnoringCase(entry.Name, name)) {
      return entry.Code;
    }
  }
  return std::nullopt;
}

std::string NameOf(uint32_t property, uint32_t code) {
  std::string name = SettingNameByCode(KindOfProperty(property), code);
  return (name.empty() ? "?" : name) + " (" + HexId(code) + ")";
}

// Receives the camera messages and prints them.
class EventPrinter : public QObject {
 public:
  explicit EventPrinter(std::ostream& out) : out_(out) {}
  bool printing = false;
  bool collecting = false;           // pictures offered are kept for a download
  std::vector<CameraRef> transfers;  // the pictures offered since the last download

 protected:
  void customEvent(QEvent* event) override {
    const int message = CameraEvent::MessageOf(*event);
    const auto& camera = static_cast<const CameraEvent&>(*event);
    if (collecting && message == WM_CAMERA_TRANSFER) {
      transfers.push_back(static_cast<CameraRef>(camera.LParam()));
      return;
    }
    if (!printing || message == 0) {
      return;
    }
    out_ << HexId(static_cast<uint32_t>(camera.Message())) << ' '
         << HexId(static_cast<uint32_t>(camera.WParam())) << ' '
         << HexId(static_cast<uint32_t>(camera.LParam()));
    if (camera.Message() == WM_CAMERA_PROPERTY) {
      for (const SettingId& setting : Settings) {
        if (setting.property == camera.LParam()) {
          out_ << ' ' << setting.alias;
        }
      }
    }
    out_ << '\n' << std::flush;
  }

 private:
  std::ostream& out_;
};

int Fail(uint32_t status, const std::string& what, std::ostream& err) {
  err << "tevra-cli camera: " << what << ": Sts=" << status << " (" << CameraStatusText(status) << ")\n";
  return ExitFailure;
}

int PrintInfo(TAppMaster& master, std::ostream& out, std::ostream& err) {
  const TCamera& camera = *master.GetCamera();
  out << "Model:  " << camera.Info().DeviceDescription << "\nPort:   " << camera.Info().PortName
      << "\nLegacy: " << (master.IsLegacy() ? "yes" : "no") << '\n';
  CameraSettingLists.Clear();
  for (const SettingId& setting : Settings) {
    if (const uint32_t status = master.ReadPropertyDesc(setting.property); status != CamOk) {
      return Fail(status, std::string("reading the accepted ") + setting.alias + " values", err);
    }
    if (const uint32_t status = master.ReadProperty(setting.property); status != CamOk) {
      return Fail(status, std::string("reading ") + setting.alias, err);
    }
    const CameraSettingList& list = CameraSettingLists[KindOfProperty(setting.property)];
    out << setting.title << ": "
        << NameOf(setting.property, static_cast<uint32_t>(camera.GetValue(setting.property)))
        << "\n  accepted (" << list.Count() << "):";
    for (const uint32_t code : list.Codes()) {
      const std::string name = SettingNameByCode(KindOfProperty(setting.property), code);
      out << ' ' << (name.empty() ? HexId(code) : name);
    }
    out << '\n';
  }
  return ExitOk;
}

// Downloads the pictures the body offers after a release into folder; true when one came and every
// one offered was saved.
bool DownloadOffered(TAppMaster& master, EventPrinter& printer, const std::string& folder, int64_t picture,
                     std::ostream& out, TickClock& clock) {
  const int64_t end = clock.NowMs() + DownloadWaitMs;
  while (printer.transfers.empty() && clock.NowMs() < end) {
    QCoreApplication::sendPostedEvents(&printer);
    clock.SleepMs(20);
  }
  bool saved = !printer.transfers.empty();
  if (!saved) {
    out << "Picture " << picture << ": no file offered for download\n";
  }
  for (const CameraRef item : std::exchange(printer.transfers, {})) {
    if (const uint32_t status = master.DownloadItem(item, folder); status == CamOk) {
      out << "Picture " << picture << ": downloaded " << Escaped(master.DownloadPath()) << '\n';
    } else {
      saved = false;
      out << "Picture " << picture << ": download failed: Sts=" << status << " ("
          << (master.DownloadNote().empty() ? CameraStatusText(status) : master.DownloadNote()) << ")\n";
    }
  }
  return saved;
}

int Release(TAppMaster& master, int64_t count, const std::optional<std::string>& folder,
            EventPrinter& printer, std::ostream& out, TickClock& clock) {
  printer.collecting = folder.has_value();
  int64_t taken = 0;
  for (int64_t picture = 1; picture <= count; ++picture) {
    uint32_t status = CamOk;
    int trials = 0;
    do {
      ++trials;
      clock.SleepMs(RetryPauseMs);
      status = master.TakePicture();
    } while (status == CamBusy && trials < MaxTrials);
    out << "Picture " << picture << ": Sts=" << status << " Trials=" << trials
        << (status == CamOk ? "" : std::string(" (") + CameraStatusText(status) + ")") << '\n';
    const bool saved =
        status == CamOk && (!folder || DownloadOffered(master, printer, *folder, picture, out, clock));
    taken += saved ? 1 : 0;
  }
  out << taken << " of " << count << " pictures taken\n";
  return taken == count ? ExitOk : ExitFailure;
}

}  // namespace

int RunCamera(const Args& arguments, std::ostream& out, std::ostream& err) {
  const Command& command = CommandNamed("camera");
  Args args = arguments;
  CameraChoice choice = CameraChoiceFromEnvironment();
  if (const std::string problem = TakeCameraOptions(args, choice); !problem.empty()) {
    return UsageError(command, problem, err);
  }
  if (args.empty()) {
    return UsageError(command, "no camera command given", err);
  }
  const std::string action = args.front();
  std::optional<SettingId> setting;
  std::optional<uint32_t> code;
  int64_t count = 1;
  std::optional<std::string> downloadFolder;
  double seconds = 0;
  if (action == "info") {
    if (args.size() != 1) {
      return UsageError(command, "unexpected argument '" + args[1] + "'", err);
    }
  } else if (action == "get" || action == "set") {
    const size_t wanted = action == "get" ? 2 : 3;
    if (args.size() != wanted) {
      return UsageError(command, action + " takes " + (wanted == 2 ? "ID" : "ID NAME"), err);
    }
    setting = SettingNamed(args[1]);
    if (!setting) {
      return UsageError(command, "unknown setting '" + args[1] + "' (iq, ae, iso, av, tv or 0x100 ... 0x406)",
                        err);
    }
    if (action == "set") {
      code = CodeOfName(setting->property, args[2]);
      if (!code) {
        return UsageError(command, "'" + args[2] + "' is not a " + setting->alias + " name", err);
      }
    }
  } else if (action == "release") {
    for (size_t i = 1; i < args.size(); i += 2) {
      if (i + 1 >= args.size() || (args[i] != "--count" && args[i] != "--download")) {
        return UsageError(command, "release takes only --count N and --download DIR", err);
      }
      if (args[i] == "--download") {
        downloadFolder = args[i + 1];
        continue;
      }
      const std::optional<int64_t> parsed = ParseInteger(args[i + 1]);
      if (!parsed || *parsed < 1 || *parsed > 10000) {
        return UsageError(command, "--count needs a number from 1 to 10000", err);
      }
      count = *parsed;
    }
    if (downloadFolder) {
      std::error_code ec;
      std::filesystem::create_directories(*downloadFolder, ec);
      if (ec) {
        err << "tevra-cli camera: cannot make the folder " << Escaped(*downloadFolder) << ": " << ec.message()
            << '\n';
        return ExitFailure;
      }
    }
  } else if (action == "events") {
    const std::optional<double> parsed =
        args.size() == 3 && args[1] == "--seconds" ? ParseDecimal(args[2]) : std::nullopt;
    if (!parsed || *parsed < 0 || *parsed > 86400) {
      return UsageError(command, "events needs --seconds S (0 to 86400)", err);
    }
    seconds = *parsed;
  } else {
    return UsageError(command, "unknown camera command '" + action + "'", err);
  }

  // The camera messages are posted events: they need an application object.
  const std::unique_ptr<QCoreApplication> application = EnsureApplication();
  std::string error;
  const std::shared_ptr<CameraSdk> sdk = CreateCameraSdk(choice, error);
  if (!sdk) {
    err << "tevra-cli camera: " << error << '\n';
    return ExitFailure;
  }
  EventPrinter printer(out);
  SaveTarget = 1;
  TAppMaster master(&printer, sdk);
  if (Trim(master.GetCameraName()).empty()) {
    err << "tevra-cli camera: no camera found\n";
    return ExitFailure;
  }
  master.SetEventHandlers();
  if (const uint32_t status = master.OpenSession(); status != CamOk) {
    return Fail(status, "opening the session", err);
  }
  master.ApplySaveTarget();
  QCoreApplication::removePostedEvents(&printer);  // what the connection itself raised

  TickClock& clock = SystemTicks();
  if (action == "info") {
    return PrintInfo(master, out, err);
  }
  if (action == "get") {
    if (const uint32_t status = master.ReadProperty(setting->property); status != CamOk) {
      return Fail(status, std::string("reading ") + setting->alias, err);
    }
    out << NameOf(setting->property, static_cast<uint32_t>(master.GetCamera()->GetValue(setting->property)))
        << '\n';
    return ExitOk;
  }
  if (action == "set") {
    const uint32_t status = master.WriteProperty(setting->property, *code);
    out << setting->alias << ": Sts=" << status << '\n';
    return status == CamOk ? ExitOk : Fail(status, std::string("writing ") + setting->alias, err);
  }
  if (action == "release") {
    return Release(master, count, downloadFolder, printer, out, clock);
  }
  printer.printing = true;
  const int64_t end = clock.NowMs() + static_cast<int64_t>(seconds * 1000);
  do {
    QCoreApplication::sendPostedEvents(&printer);
    clock.SleepMs(std::min<int64_t>(20, end - clock.NowMs()));
  } while (clock.NowMs() < end);
  QCoreApplication::sendPostedEvents(&printer);
  return ExitOk;
}

}  // namespace tevra::cli

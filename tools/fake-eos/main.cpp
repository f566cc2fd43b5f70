// SPDX-License-Identifier: GPL-3.0-or-later
// fake-eos: a fake Canon EOS body on the loopback for rehearsing the real camera library without a
// camera. Run it, then point the program or tevra-cli at the port it prints:
//   fake-eos --port 15740 &
//   tevra-cli camera --camera gphoto2 --camera-port ptpip:127.0.0.1:15740:15740
//     --camera-model "PTP/IP Camera" info
#include "timing/time_text.h"
#include "tools/fake-eos/fake_eos.h"

#include <charconv>
#include <csignal>
#include <exception>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: fake-eos [OPTION]...   (--name N and --name=N alike)\n"
    "  --port N             listen on 127.0.0.1:N (default 15740; 0 picks a free port)\n"
    "  --model NAME         the model the body reports (default Canon EOS 5D Mark IV)\n"
    "  --release-only       an older body: RemoteRelease, no RemoteReleaseOn/Off\n"
    "  --shots N            shots left on the card; 0 is a full card (default 1200)\n"
    "  --battery N          battery in percent, reported in the body's steps (default 100)\n"
    "  --clock-offset-ms N  the body's clock against the computer's (default 0)\n"
    "  --call-ms N          every operation costs N ms (default 3; --delay-ms N alike)\n"
    "  --moon-q Q           the Moon in the pictures' thumbnails: brightness index Q, 8 full\n"
    "                       (default) to -7 in totality\n"
    "Faults:\n"
    "  --autofocus          focus mode AF: every release fails after some 2 s (no focus)\n"
    "  --mirror-lockup      the full press answers Device Busy\n"
    "  --stuck-half-press   after a full press answered busy, everything but GetEvent answers\n"
    "                       Device Busy until the press is let go\n"
    "  --card-full          releases answer Store Full\n"
    "  --card-full-busy     releases answer Device Busy and write no file\n"
    "  --no-card            releases answer OK but write and announce no file; 0 shots left\n"
    "  --not-applied PROP   writes of PROP answer OK and change nothing\n"
    "  --refuse PROP        writes of PROP answer Invalid Value\n"
    "  --busy N             the first N operations answer Device Busy\n"
    "  --chatter            every event poll reports a change, so the driver polls for ever\n"
    "PROP: the body's code in hexadecimal (D103 is ISO) or the program's id (0x402 is ISO).\n";

std::optional<int64_t> Number(const std::string& text) { return tevra::ParseInteger(text); }

// A property as the body's code (D103) or as the program's id (0x402).
std::optional<uint16_t> Property(std::string text) {
  const bool programId = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
  if (programId) {
    text.erase(0, 2);
  }
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 0xFFFF) {
    return std::nullopt;
  }
  switch (value) {
    case 0x100:
      return tevra::EosPropImageFormat;
    case 0x400:
      return tevra::EosPropAEMode;
    case 0x402:
      return tevra::EosPropIso;
    case 0x405:
      return tevra::EosPropAperture;
    case 0x406:
      return tevra::EosPropShutterSpeed;
    default:
      return value >= 0xD000 ? std::optional(static_cast<uint16_t>(value)) : std::nullopt;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      args.push_back(arg.substr(0, equals));
      args.push_back(arg.substr(equals + 1));
    } else {
      args.push_back(arg);
    }
  }
  tevra::FakeEosBody body = tevra::FakeEosBody::Default();
  body.callMs = 3;
  int64_t port = 15740;
  int64_t busy = 0;
  bool chatter = false;
  bool mirrorLockup = false;
  bool stuckHalfPress = false;
  bool cardFull = false;
  bool cardFullBusy = false;
  bool noCard = false;
  bool releaseOnly = false;
  std::vector<uint16_t> refused;
  std::vector<uint16_t> notApplied;
  const std::map<std::string, bool*> switches = {{"--chatter", &chatter},
                                                 {"--autofocus", &body.autofocus},
                                                 {"--mirror-lockup", &mirrorLockup},
                                                 {"--stuck-half-press", &stuckHalfPress},
                                                 {"--card-full", &cardFull},
                                                 {"--card-full-busy", &cardFullBusy},
                                                 {"--no-card", &noCard},
                                                 {"--release-only", &releaseOnly}};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (const auto flag = switches.find(arg); flag != switches.end()) {
      *flag->second = true;
      continue;
    }
    // Options with a value.
    const bool hasValue = i + 1 < args.size();
    const std::string next = hasValue ? args[i + 1] : "";
    const std::optional<int64_t> value = Number(next);
    const std::optional<uint16_t> property = Property(next);
    if (arg == "--model" && hasValue) {
      body.model = next;
    } else if (arg == "--refuse" && property) {
      refused.push_back(*property);
    } else if (arg == "--not-applied" && property) {
      notApplied.push_back(*property);
    } else if (arg == "--port" && value && *value >= 0 && *value <= 65535) {
      port = *value;
    } else if (arg == "--shots" && value && *value >= 0 && *value <= 0xFFFFFFFF) {
      body.availableShots = static_cast<uint32_t>(*value);
    } else if (arg == "--battery" && value && *value >= 0 && *value <= 100) {
      body.batteryPercent = static_cast<uint32_t>(*value);
    } else if (arg == "--clock-offset-ms" && value) {
      body.clockOffsetMs = *value;
    } else if (arg == "--busy" && value && *value >= 0) {
      busy = *value;
    } else if (const std::optional<double> q = tevra::ParseDecimal(next);
               arg == "--moon-q" && q && *q >= -20 && *q <= 20) {
      body.moonQ = *q;
    } else if ((arg == "--call-ms" || arg == "--delay-ms") && value && *value >= 0 && *value <= 600000) {
      body.callMs = static_cast<int>(*value);
    } else {
      if (arg == "--help") {
        std::cout << Usage;
        return 0;
      }
      std::cerr << "fake-eos: cannot use '" << arg << "'\n" << Usage;
      return 2;
    }
    ++i;
  }
  body.releaseOnOff = !releaseOnly;

  // Stop on SIGINT or SIGTERM: blocked here, so the serving thread inherits the mask, and awaited.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    tevra::FakeEos fake(body, static_cast<uint16_t>(port));
    fake.AnswerBusy(static_cast<int>(busy));
    fake.SetChatter(chatter);
    fake.SetMirrorLockup(mirrorLockup);
    fake.SetStuckHalfPress(stuckHalfPress);
    fake.SetCardFull(cardFull);
    fake.SetCardFullBusy(cardFullBusy);
    fake.SetNoCard(noCard);
    for (uint16_t refuse : refused) {
      fake.RefuseWrites(refuse);
    }
    for (uint16_t ignore : notApplied) {
      fake.IgnoreWrites(ignore);
    }
    std::cout << "fake-eos: " << body.model << " listening on " << fake.PortPath() << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    fake.Stop();
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

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
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: fake-eos [--port N] [--model NAME] [--shots N] [--busy N] [--delay-ms N] [--chatter]\n"
    "                [--release-only] [--refuse PROPERTY]\n"
    "  --port N          listen on 127.0.0.1:N (default 15740; 0 picks a free port)\n"
    "  --model NAME      the model the body reports (default Canon EOS 5D Mark IV)\n"
    "  --shots N         shots left on the card; 0 is a full card (default 1200)\n"
    "  --busy N          the first N operations answer Device Busy\n"
    "  --delay-ms N      every answer comes N ms late\n"
    "  --chatter         every event poll reports a change, so the driver polls for ever\n"
    "  --release-only    an older body: RemoteRelease, no RemoteReleaseOn/Off\n"
    "  --refuse PROP     refuse writes of a property, given in hexadecimal (D103 = ISO)\n";

std::optional<int64_t> Number(const std::string& text) { return tevra::ParseInteger(text); }

std::optional<uint16_t> HexProperty(const std::string& text) {
  uint16_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tevra::FakeEosBody body = tevra::FakeEosBody::Default();
  int64_t port = 15740;
  int64_t busy = 0;
  int64_t delayMs = 0;
  bool chatter = false;
  std::vector<uint16_t> refused;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    std::optional<int64_t> value = hasValue ? Number(args[i + 1]) : std::nullopt;
    if (arg == "--chatter") {
      chatter = true;
    } else if (arg == "--release-only") {
      body.releaseOnOff = false;
    } else if (arg == "--model" && hasValue) {
      body.model = args[++i];
    } else if (arg == "--refuse" && hasValue && HexProperty(args[i + 1])) {
      refused.push_back(*HexProperty(args[++i]));
    } else if (arg == "--port" && value && *value >= 0 && *value <= 65535) {
      port = *value;
      ++i;
    } else if (arg == "--shots" && value && *value >= 0) {
      body.availableShots = static_cast<uint32_t>(*value);
      ++i;
    } else if (arg == "--busy" && value && *value >= 0) {
      busy = *value;
      ++i;
    } else if (arg == "--delay-ms" && value && *value >= 0) {
      delayMs = *value;
      ++i;
    } else {
      std::cerr << (arg == "--help" ? "" : "fake-eos: cannot use '" + arg + "'\n") << Usage;
      return arg == "--help" ? 0 : 2;
    }
  }

  // Stop on SIGINT or SIGTERM: blocked here, so the serving thread inherits the mask, and awaited.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    tevra::FakeEos fake(body, static_cast<uint16_t>(port));
    fake.AnswerBusy(static_cast<int>(busy));
    fake.SetAnswerDelayMs(static_cast<int>(delayMs));
    fake.SetChatter(chatter);
    for (uint16_t property : refused) {
      fake.RefuseWrites(property);
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

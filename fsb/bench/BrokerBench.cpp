// Writes 1 GiB in 32,768-byte blocks through the broker and then directly
// into the same folder, and prints both rates.
// Usage: fsb_bench [folder] [MiB]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "agent/FileBrokerClient.h"
#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Process.h"
#include "common/text/Utf.h"

using namespace vard;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::u16string folder = argc > 1 ? Utf8ToUtf16(argv[1]) : platform::TempFolder();
  for (char16_t& c : folder)
    if (c == u'/') c = u'\\';
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  const uint64_t mib = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1024;
  const uint64_t total = mib * 1024 * 1024;
  std::vector<uint8_t> block(fsb::kWriteMax);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 31 + 7);

  FileBrokerClient client;
  platform::ChildProcess broker;
  if (!client.IsRunning()) {
    const std::u16string program =
        platform::ParentPath(platform::ModulePath()) + u"\\vardfsb" + AsciiToUtf16(VARD_EXE_SUFFIX);
    broker = platform::ChildProcess::Start(program, {std::u16string(u"-") + fsb::kConsoleModeGuid});
  }
  if (client.Connect(100, 50) != fsb::status::kSuccess) {
    std::fprintf(stderr, "cannot reach the broker\n");
    broker.Kill();
    return 2;
  }

  const std::u16string viaBroker = folder + u"vard-bench-broker.bin";
  const std::u16string direct = folder + u"vard-bench-direct.bin";
  auto throughBroker = [&]() -> double {
    const auto start = std::chrono::steady_clock::now();
    if (client.Open(viaBroker, 2) != fsb::status::kSuccess) return -1;
    for (uint64_t done = 0; done < total; done += block.size()) {
      uint32_t written = 0;
      if (client.Write(block.data(), static_cast<uint32_t>(block.size()), &written) != fsb::status::kSuccess ||
          written != block.size())
        return -1;
    }
    client.Close();
    return Seconds(start);
  };
  auto directly = [&]() -> double {
    const auto start = std::chrono::steady_clock::now();
    platform::File f = platform::File::Open(direct, platform::access::kRead | platform::access::kWrite,
                                            platform::share::kRead, platform::Disposition::kCreateAlways);
    if (!f.IsOpen()) return -1;
    for (uint64_t done = 0; done < total; done += block.size()) {
      uint32_t written = 0;
      if (!f.Write(block.data(), static_cast<uint32_t>(block.size()), &written)) return -1;
    }
    f.Close();
    return Seconds(start);
  };
  // Alternating rounds, each file removed after its round, so neither side
  // pays for the other's dirty pages; the best round of each counts.
  double brokerSeconds = 1e30, directSeconds = 1e30;
  bool same = true;
  for (int round = 0; round < 2; ++round) {
    const double d = directly();
    same = same && platform::FileSizeOf(direct) == static_cast<int64_t>(total);
    platform::RemoveFile(direct);
    const double b = throughBroker();
    same = same && platform::FileSizeOf(viaBroker) == static_cast<int64_t>(total);
    platform::RemoveFile(viaBroker);
    if (d < 0 || b < 0) {
      std::fprintf(stderr, "write failed\n");
      return 2;
    }
    directSeconds = std::min(directSeconds, d);
    brokerSeconds = std::min(brokerSeconds, b);
  }
  client.Shutdown();
  int code = 0;
  if (broker.IsValid() && !broker.Wait(5000, &code)) broker.Kill();

  const double brokerRate = mib / brokerSeconds, directRate = mib / directSeconds;
  std::printf("size: %llu MiB in %zu-byte writes%s\n", static_cast<unsigned long long>(mib), block.size(),
              same ? "" : " (sizes differ!)");
  std::printf("through the broker: %.1f MiB/s (%.2f s)\n", brokerRate, brokerSeconds);
  std::printf("direct:             %.1f MiB/s (%.2f s)\n", directRate, directSeconds);
  std::printf("broker / direct:    %.0f %%\n", 100.0 * brokerRate / directRate);
  return same ? 0 : 1;
}

// Writes 1 GiB in 32,768-byte blocks through the broker and then directly
// into the same folder, and prints both rates: once as the writes return
// (the data in the page cache) and once until the data is on the disk.
// Usage: fsb_bench [folder] [MiB]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/brokerpipe/FileBrokerClient.h"
#include "common/platform/Clock.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Process.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/text/Utf.h"

using namespace vard;

namespace {

platform::IClock& g_clock = platform::SystemClock();

int64_t Now() { return g_clock.PerfCounter(); }
double Seconds(int64_t since) { return static_cast<double>(Now() - since) / static_cast<double>(g_clock.PerfFrequency()); }

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

  fsb::FileBrokerClient client(g_clock);
  platform::ChildProcess broker;
  if (!client.IsRunning()) {
    broker = platform::ChildProcess::Start(platform::testing::SiblingProgram(u"vardfsb"),
                                           {std::u16string(u"-") + fsb::kConsoleModeGuid});
  }
  if (client.Connect(100, 50) != fsb::status::kSuccess) {
    std::fprintf(stderr, "cannot reach the broker\n");
    broker.Kill();
    return 2;
  }

  const std::u16string viaBroker = folder + u"vard-bench-broker.bin";
  const std::u16string direct = folder + u"vard-bench-direct.bin";
  // The broker has no flush request; flushing the file from here after the
  // broker closed it writes out the same dirty pages.
  auto flushFile = [](const std::u16string& path) {
    platform::File f = platform::File::Open(path, platform::access::kRead | platform::access::kWrite,
                                            platform::share::kRead | platform::share::kWrite,
                                            platform::Disposition::kOpenExisting);
    return f.IsOpen() && f.Flush();
  };
  auto throughBroker = [&](bool toDisk) -> double {
    const int64_t start = Now();
    if (client.Open(viaBroker, 2) != fsb::status::kSuccess) return -1;
    for (uint64_t done = 0; done < total; done += block.size()) {
      uint32_t written = 0;
      if (client.Write(block.data(), static_cast<uint32_t>(block.size()), &written) != fsb::status::kSuccess ||
          written != block.size())
        return -1;
    }
    if (client.Close() != fsb::status::kSuccess || (toDisk && !flushFile(viaBroker))) return -1;
    return Seconds(start);
  };
  auto directly = [&](bool toDisk) -> double {
    const int64_t start = Now();
    platform::File f = platform::File::Open(direct, platform::access::kRead | platform::access::kWrite,
                                            platform::share::kRead, platform::Disposition::kCreateAlways);
    if (!f.IsOpen()) return -1;
    for (uint64_t done = 0; done < total; done += block.size()) {
      uint32_t written = 0;
      if (!f.Write(block.data(), static_cast<uint32_t>(block.size()), &written)) return -1;
    }
    if (toDisk && !f.Flush()) return -1;
    f.Close();
    return Seconds(start);
  };
  // Alternating rounds, each file removed after its round, so neither side
  // pays for the other's dirty pages; the best round of each counts.
  const double writes = static_cast<double>(total / block.size());
  bool same = true, failed = false;
  auto measure = [&](bool toDisk, const char* title) {
    double brokerSeconds = 1e30, directSeconds = 1e30;
    for (int round = 0; round < 2 && !failed; ++round) {
      const double d = directly(toDisk);
      same = same && platform::FileSizeOf(direct) == static_cast<int64_t>(total);
      platform::RemoveFile(direct);
      const double b = throughBroker(toDisk);
      same = same && platform::FileSizeOf(viaBroker) == static_cast<int64_t>(total);
      platform::RemoveFile(viaBroker);
      failed = d < 0 || b < 0;
      directSeconds = std::min(directSeconds, d);
      brokerSeconds = std::min(brokerSeconds, b);
    }
    if (failed) return;
    const double brokerRate = mib / brokerSeconds, directRate = mib / directSeconds;
    std::printf("%s\n", title);
    std::printf("  through the broker: %.1f MiB/s (%.2f s)\n", brokerRate, brokerSeconds);
    std::printf("  direct:             %.1f MiB/s (%.2f s)\n", directRate, directSeconds);
    std::printf("  broker / direct:    %.0f %%\n", 100.0 * brokerRate / directRate);
    std::printf("  per write:          %.1f us through the broker, %.1f us direct\n",
                brokerSeconds / writes * 1e6, directSeconds / writes * 1e6);
  };
  std::printf("size: %llu MiB in %zu-byte writes\n", static_cast<unsigned long long>(mib), block.size());
  // The floor under every request: one round trip without file work.
  {
    constexpr int kQueries = 20000;
    uint8_t mode = 0;
    const int64_t start = Now();
    for (int i = 0; i < kQueries && !failed; ++i) failed = client.QueryMode(&mode) != fsb::status::kSuccess;
    if (!failed) std::printf("round trip of a query: %.1f us\n", Seconds(start) / kQueries * 1e6);
  }
  measure(false, "until the last write returns (page cache):");
  measure(true, "until the data is on the disk (flushed):");
  client.Shutdown();
  int code = 0;
  if (broker.IsValid() && !broker.Wait(5000, &code)) broker.Kill();
  if (failed) {
    std::fprintf(stderr, "write failed\n");
    return 2;
  }
  if (!same) std::printf("sizes differ!\n");
  return same ? 0 : 1;
}

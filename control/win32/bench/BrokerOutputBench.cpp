// The control's output through the elevation broker out of process against
// the same output written directly, as a run writes a download: blocks of
// one network read, alternating, best of the rounds.
//
//   broker_output_bench [--size MiB] [--block KiB] [--rounds N] [--folder DIR]
//
// The broker's server is registered for the run and created by plain
// out-of-process creation: Wine has no elevation moniker.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "broker/win32/tests/ServerRegistration.h"
#include "common/platform/Clock.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/text/Utf.h"
#include "control/engine/DirectTarget.h"
#include "control/engine/ProtectedModeTarget.h"

namespace {

namespace p = vard::platform;

struct Options {
  uint64_t mib = 256;
  uint32_t blockKiB = 64;
  int rounds = 3;
  std::u16string folder;
};

struct Times {
  double wall = 0;
  double cpu = 0;  // this process only: the surrogate's own time is not in it
  bool ok = false;
};

double ProcessCpuSeconds() {
  FILETIME created, ended, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto seconds = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

Times WriteThrough(vard::IDownloadTarget& target, const std::u16string& path, uint64_t size,
                   const std::vector<char>& block) {
  Times t;
  const auto start = std::chrono::steady_clock::now();
  const double cpu = ProcessCpuSeconds();
  target.BeginRun();
  if (target.Open(path, false)) {
    uint64_t left = size;
    t.ok = true;
    while (left && t.ok) {
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, block.size()));
      t.ok = target.Write(block.data(), n) == n;
      left -= n;
    }
    target.Close();
  }
  target.EndRun();
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.cpu = ProcessCpuSeconds() - cpu;
  t.ok = t.ok && p::FileSizeOf(path) == static_cast<int64_t>(size);
  p::RemoveFile(path);
  return t;
}

void Print(const char* round, const char* kind, const Times& t, uint64_t mib) {
  std::printf("%-6s %-7s %s %8.1f MiB/s  %6.2f s  CPU %5.2f s\n", round, kind, t.ok ? "ok    " : "FAILED",
              t.wall > 0 ? mib / t.wall : 0.0, t.wall, t.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key == "--size") o.mib = std::strtoull(argv[i + 1], nullptr, 10);
    else if (key == "--block") o.blockKiB = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    else if (key == "--rounds") o.rounds = std::atoi(argv[i + 1]);
    else if (key == "--folder") o.folder = vard::Utf8ToUtf16(argv[i + 1]);
  }
  if (o.mib == 0 || o.blockKiB == 0 || o.rounds <= 0) {
    std::fprintf(stderr, "usage: %s [--size MiB] [--block KiB] [--rounds N] [--folder DIR]\n", argv[0]);
    return 2;
  }
  if (o.folder.empty()) o.folder = p::TempFolder();
  const std::u16string path = o.folder + u"\\broker_output_bench.bin";

  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::u16string server = vard::Utf8ToUtf16(VARD_BROKER_DLL);
  if (vard::broker::testing::Regsvr32(server, false) != 0) {
    std::fprintf(stderr, "the broker's server could not be registered\n");
    return 1;
  }
  vard::broker::testing::NameTheSurrogateUnderWine();

  vard::ProtectedModeServices services;
  services.clock = &p::SystemClock();
  services.files = &p::RealFileSystem();
  services.osMajorVersion = [] { return 10; };
  services.createBroker = [] { return p::CreateElevationBroker(p::BrokerCreation::kLocalServer); };
  vard::ProtectedModeTarget throughBroker(std::move(services));
  vard::DirectTarget direct;

  std::vector<char> block(static_cast<size_t>(o.blockKiB) * 1024);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);

  Times bestDirect, bestBroker;
  bool ok = true;
  for (int round = 1; round <= o.rounds; ++round) {
    const Times d = WriteThrough(direct, path, o.mib << 20, block);
    const Times b = WriteThrough(throughBroker, path, o.mib << 20, block);
    const std::string label = "round" + std::to_string(round);
    Print(label.c_str(), "direct", d, o.mib);
    Print(label.c_str(), "broker", b, o.mib);
    ok = ok && d.ok && b.ok;
    if (d.ok && (!bestDirect.ok || d.wall < bestDirect.wall)) bestDirect = d;
    if (b.ok && (!bestBroker.ok || b.wall < bestBroker.wall)) bestBroker = b;
  }
  Print("best", "direct", bestDirect, o.mib);
  Print("best", "broker", bestBroker, o.mib);
  if (bestDirect.ok && bestBroker.ok) std::printf("broker/direct: throughput %.2f\n", bestDirect.wall / bestBroker.wall);

  vard::broker::testing::Regsvr32(server, true);
  ::CoUninitialize();
  return ok ? 0 : 1;
}

// Not a test: the download engine against the curl command line, and the
// engine's rate limit measured on disk. The loopback test server runs in a
// process of its own, so neither side pays for serving.
//
//   control_engine_bench [--size MiB] [--rounds N] [--folder DIR]
//                        [--rate-seconds S] [--server PROGRAM] [--broker]
//
// With --broker the engine writing through the elevation broker (its
// library loaded into this process, as the control does on newer systems)
// runs against the engine writing directly, instead of against curl.
//
// Rounds alternate the engine and `curl -o` into the same folder, each
// going first in every other round; the best round of each is compared, as
// the machine may be shared. CPU seconds are user and system time: the
// bench process's own (the engine runs on its main thread, the server is
// elsewhere) and curl's, as bash's `time` reports it.
// The rate check runs the engine at 100 KB/s and 1 MB/s (KB = 1,024 bytes)
// and watches the file's size from another thread.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/platform/Clock.h"
#include "common/platform/Environment.h"
#include "common/platform/Process.h"
#include "common/text/Utf.h"
#include "control/engine/DirectTarget.h"
#include "control/engine/DownloadEngine.h"
#include "control/engine/ProtectedModeTarget.h"

namespace {

namespace fs = std::filesystem;
namespace p = vard::platform;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Cpu {
  double user = 0, sys = 0;
};

// This process's user and system seconds, from /proc (in 1/100 s, the
// unit Linux reports them in there).
Cpu ProcessCpu() {
  std::ifstream in("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) fields >> skip;  // state .. cmajflt
  Cpu cpu;
  fields >> cpu.user >> cpu.sys;
  cpu.user /= 100;
  cpu.sys /= 100;
  return cpu;
}

struct Options {
  uint64_t mib = 64;
  int rounds = 3;
  fs::path folder = fs::temp_directory_path() / "vard-engine-bench";
  int rateSeconds = 3;
  std::string server = VARD_TESTSERVER;
  bool broker = false;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  std::vector<char*> rest = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--broker") o.broker = true;
    else rest.push_back(argv[i]);
  }
  argc = static_cast<int>(rest.size());
  argv = rest.data();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--size") o.mib = std::strtoull(value.c_str(), nullptr, 10);
    else if (name == "--rounds") o.rounds = std::atoi(value.c_str());
    else if (name == "--folder") o.folder = value;
    else if (name == "--rate-seconds") o.rateSeconds = std::atoi(value.c_str());
    else if (name == "--server") o.server = value;
    else return false;
  }
  return argc % 2 == 1 && o.mib > 0 && o.rounds > 0 && o.rateSeconds >= 0;
}

// The native test server program, ended with the bench.
class ServerProcess {
 public:
  explicit ServerProcess(const std::string& program, const fs::path& folder) : portFile_(folder / "server.port") {
    fs::remove(portFile_);
    process_ = p::ChildProcess::Start(vard::Utf8ToUtf16(program),
                                      {u"--port-file", vard::Utf8ToUtf16(portFile_.string()), u"--lifetime", u"3600"});
    for (int i = 0; i < 200 && process_.IsValid() && directPort_ == 0; ++i) {
      p::SystemClock().Sleep(50);
      std::ifstream in(portFile_);
      unsigned recording = 0, direct = 0;
      if (in >> recording >> direct) directPort_ = direct;
    }
  }
  ~ServerProcess() {
    process_.Kill();
    process_.Wait(5000, nullptr);
    fs::remove(portFile_);
  }
  // The server itself, not the recording front.
  unsigned DirectPort() const { return directPort_; }

 private:
  fs::path portFile_;
  p::ChildProcess process_;
  unsigned directPort_ = 0;
};

class QuietHost final : public vard::IDownloadRunHost {
 public:
  void SetItemCounterText(const std::u16string&) override {}
  void SetCurrentFileText(const std::u16string&) override {}
  void ItemChanged(size_t) override {}
  void RefreshTexts() override {}
  vard::DuplicateAnswer AskDuplicate(const vard::DuplicateQuestion&) override {
    return {vard::existing_file::kOverwrite, true, {}};
  }
  void RunFinished() override {}
};

struct Run {
  double wall = 0;
  Cpu cpu;
  uint64_t bytes = 0;
  bool ok = false;
};

vard::DownloadItem Item(const std::string& url, const std::u16string& name, int64_t size) {
  vard::DownloadItem item;
  item.url = vard::Utf8ToUtf16(url);
  item.fileName = item.displayName = name;
  item.fileSize = size;
  return item;
}

// An engine for one item, with no limit when `limitRateKB` is 0.
std::unique_ptr<vard::DownloadEngine> MakeEngine(const fs::path& folder, uint32_t limitRateKB,
                                                 vard::DownloadItem item, vard::IDownloadTarget& target,
                                                 vard::IDownloadRunHost& host) {
  vard::DownloadEngineServices services;
  services.clock = &p::SystemClock();
  services.target = &target;
  services.host = &host;
  vard::DownloadRunOptions options;
  options.downloadFolder = vard::Utf8ToUtf16(folder.string());
  options.limitRateKB = limitRateKB;
  options.overwriteAll = true;
  return std::make_unique<vard::DownloadEngine>(services, options, std::vector<vard::DownloadItem>{item});
}

// The engine writing directly, or through a broker made for its run.
Run Engine(const std::string& url, const fs::path& folder, uint64_t size, bool throughBroker = false) {
  const fs::path file = folder / "engine.bin";
  fs::remove(file);
  vard::DirectTarget direct;
  std::unique_ptr<vard::ProtectedModeTarget> broker;
  if (throughBroker) broker = vard::MakeSystemOutput();
  vard::IDownloadTarget& target = broker ? static_cast<vard::IDownloadTarget&>(*broker) : direct;
  QuietHost host;
  auto engine = MakeEngine(folder, 0, Item(url, u"engine.bin", static_cast<int64_t>(size)), target, host);
  Run r;
  const Cpu cpu0 = ProcessCpu();
  const auto t0 = Clock::now();
  engine->Run();
  r.wall = Seconds(Clock::now() - t0);
  const Cpu cpu1 = ProcessCpu();
  r.cpu = {cpu1.user - cpu0.user, cpu1.sys - cpu0.sys};
  std::error_code ec;
  r.bytes = fs::file_size(file, ec);
  r.ok = engine->EndCode() == vard::endcode::kCompleted && r.bytes == size;
  fs::remove(file, ec);
  return r;
}

// curl under bash's `time`, which reports curl's own wall and CPU seconds.
Run Curl(const std::string& url, const fs::path& folder, uint64_t size) {
  const fs::path file = folder / "curl.bin", times = folder / "curl.times";
  fs::remove(file);
  const std::string script = "TIMEFORMAT='%3R %3U %3S'; { time curl -s -o \"$1\" \"$2\"; } 2>\"$3\"";
  p::ChildProcess child = p::ChildProcess::Start(
      u"/bin/bash", {u"-c", vard::Utf8ToUtf16(script), u"bench", vard::Utf8ToUtf16(file.string()),
                     vard::Utf8ToUtf16(url), vard::Utf8ToUtf16(times.string())});
  int exitCode = -1;
  Run r;
  if (!child.IsValid() || !child.Wait(3600 * 1000, &exitCode)) return r;
  double real = 0, user = 0, sys = 0;
  std::ifstream in(times);
  if (in >> real >> user >> sys) {
    r.wall = real;
    r.cpu = {user, sys};
  }
  std::error_code ec;
  r.bytes = fs::file_size(file, ec);
  r.ok = exitCode == 0 && r.bytes == size && r.wall > 0;
  fs::remove(file, ec);
  fs::remove(times, ec);
  return r;
}

void Print(const char* label, const char* who, const Run& r) {
  std::printf("%-8s %-7s %8.1f MiB/s %7.2f s wall %6.2f s CPU (%5.2f user %5.2f sys)%s\n", label, who,
              r.bytes / 1048576.0 / std::max(r.wall, 1e-9), r.wall, r.cpu.user + r.cpu.sys, r.cpu.user,
              r.cpu.sys, r.ok ? "" : "  FAILED");
}

// The engine held to `limitRateKB` for `seconds`, the bytes counted on disk
// by a watcher of the file's size, not by the engine's own counter.
void RateCheck(const std::string& url, const fs::path& folder, uint32_t limitRateKB, int seconds) {
  const fs::path file = folder / "limited.bin";
  fs::remove(file);
  vard::DirectTarget target;
  QuietHost host;
  auto engine = MakeEngine(folder, limitRateKB, Item(url, u"limited.bin", int64_t{1} << 30), target, host);
  const auto t0 = Clock::now();
  std::thread worker([&] { engine->Run(); });
  uint64_t atOneSecond = 0, bytes = 0;
  std::error_code ec;
  while (Seconds(Clock::now() - t0) < seconds) {
    p::SystemClock().Sleep(50);
    const uintmax_t size = fs::file_size(file, ec);
    if (!ec) bytes = size;
    if (Seconds(Clock::now() - t0) < 1.0) atOneSecond = bytes;
  }
  const double elapsed = Seconds(Clock::now() - t0);
  engine->Cancel();
  engine->AbortNetwork();
  worker.join();
  fs::remove(file, ec);
  const double goal = limitRateKB * 1024.0;
  const double rate = bytes / elapsed;
  std::printf("%5u KB/s (%8.0f B/s) %5.1f s: %10llu bytes on disk, %9.0f B/s, error %+6.2f %%", limitRateKB,
              goal, elapsed, static_cast<unsigned long long>(bytes), rate, 100.0 * (rate / goal - 1));
  if (elapsed > 2.0) {
    const double steady = (bytes - atOneSecond) / (elapsed - 1.0);
    std::printf("; after the first second %9.0f B/s, error %+6.2f %%", steady, 100.0 * (steady / goal - 1));
  }
  std::printf("\n");
}

// The engine through the broker against the engine writing directly.
bool CompareBroker(const std::string& url, const Options& o) {
  // The installed programs' folder holds the broker library.
  p::SetEnv("VARDEL_SYSTEM_DIR", VARD_BROKER_LIBRARY_DIR);
  if (!p::CreateElevationBroker()) {
    std::fprintf(stderr, "no broker library in %s\n", VARD_BROKER_LIBRARY_DIR);
    return false;
  }
  Run bestDirect, bestBroker;
  bool ok = true;
  for (int i = 1; i <= o.rounds; ++i) {
    Run direct, broker;
    if (i % 2) {
      direct = Engine(url, o.folder, o.mib * 1048576);
      broker = Engine(url, o.folder, o.mib * 1048576, true);
    } else {
      broker = Engine(url, o.folder, o.mib * 1048576, true);
      direct = Engine(url, o.folder, o.mib * 1048576);
    }
    const std::string label = "round " + std::to_string(i);
    Print(label.c_str(), "direct", direct);
    Print(label.c_str(), "broker", broker);
    ok = ok && direct.ok && broker.ok;
    if (direct.ok && (!bestDirect.ok || direct.wall < bestDirect.wall)) bestDirect = direct;
    if (broker.ok && (!bestBroker.ok || broker.wall < bestBroker.wall)) bestBroker = broker;
  }
  Print("best", "direct", bestDirect);
  Print("best", "broker", bestBroker);
  if (bestDirect.ok && bestBroker.ok)
    std::printf("broker/direct: throughput %.2f, CPU seconds %.2f\n", bestDirect.wall / bestBroker.wall,
                (bestBroker.cpu.user + bestBroker.cpu.sys) / std::max(bestDirect.cpu.user + bestDirect.cpu.sys, 1e-9));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: %s [--size MiB] [--rounds N] [--folder DIR] [--rate-seconds S] [--server PROGRAM] [--broker]\n",
                 argv[0]);
    return 2;
  }
  // Loopback only: a proxy named by the environment must not see these.
  p::SetEnv("no_proxy", "127.0.0.1,localhost");
  p::SetEnv("NO_PROXY", "127.0.0.1,localhost");
  fs::create_directories(o.folder);
  ServerProcess server(o.server, o.folder);
  if (!server.DirectPort()) {
    std::fprintf(stderr, "the test server %s did not start\n", o.server.c_str());
    return 1;
  }
  const uint64_t size = o.mib * 1048576;
  const std::string base = "http://127.0.0.1:" + std::to_string(server.DirectPort());
  const std::string url = base + "/data/" + std::to_string(size);
  std::printf("%llu MiB from %s into %s, best of %d\n", static_cast<unsigned long long>(o.mib), url.c_str(),
              o.folder.string().c_str(), o.rounds);

  if (o.broker) return CompareBroker(url, o) ? 0 : 1;

  Run bestEngine, bestCurl;
  bool ok = true;
  for (int i = 1; i <= o.rounds; ++i) {
    // Each goes first in every other round: the one after pays for the
    // write-back of the file before it.
    Run engine, curl;
    if (i % 2) {
      engine = Engine(url, o.folder, size);
      curl = Curl(url, o.folder, size);
    } else {
      curl = Curl(url, o.folder, size);
      engine = Engine(url, o.folder, size);
    }
    const std::string label = "round " + std::to_string(i);
    Print(label.c_str(), "engine", engine);
    Print(label.c_str(), "curl", curl);
    ok = ok && engine.ok && curl.ok;
    if (engine.ok && (!bestEngine.ok || engine.wall < bestEngine.wall)) bestEngine = engine;
    if (curl.ok && (!bestCurl.ok || curl.wall < bestCurl.wall)) bestCurl = curl;
  }
  Print("best", "engine", bestEngine);
  Print("best", "curl", bestCurl);
  if (bestEngine.ok && bestCurl.ok)
    std::printf("engine/curl: throughput %.2f, CPU seconds %.2f (user %.2f, sys %.2f)\n",
                bestCurl.wall / bestEngine.wall,
                (bestEngine.cpu.user + bestEngine.cpu.sys) / std::max(bestCurl.cpu.user + bestCurl.cpu.sys, 1e-9),
                bestEngine.cpu.user / std::max(bestCurl.cpu.user, 1e-9),
                bestEngine.cpu.sys / std::max(bestCurl.cpu.sys, 1e-9));

  if (o.rateSeconds > 0) {
    std::printf("rate limit, bytes on disk watched every 50 ms:\n");
    RateCheck(base + "/data/1073741824", o.folder, 100, o.rateSeconds);
    RateCheck(base + "/data/1073741824", o.folder, 1024, o.rateSeconds);
  }
  return ok ? 0 : 1;
}

// Not a test: the agent's download job against the curl command line,
// written directly (major version 5) and through the file service broker
// (major version 6 and later, the broker in its own process), and the
// job's per-file rate limit measured on disk. The loopback test server runs
// in a process of its own, so no side pays for serving.
//
//   agent_download_bench [--size MiB] [--rounds N] [--folder DIR]
//                        [--rate-seconds S] [--server PROGRAM] [--broker PROGRAM]
//                        [--network MiB/s]
//
// --network has the server send at that rate (a network slower than the
// loopback's), to show what a user's download through the broker costs.
//
// Rounds alternate the three, each going first in turn; the best round of
// each is compared, as the machine may be shared. CPU seconds are user and
// system time: the bench process's own (the job runs on its main thread)
// and curl's, as bash's `time` reports it; the broker's own CPU time is
// not counted for the agent and is printed apart.
// The rate check runs the job at 100 KB/s and 1 MB/s (KB = 1,024 bytes)
// and watches the file's size from another thread.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "agent/jobs/BrokerOutput.h"
#include "agent/jobs/BrokerStarter.h"
#include "agent/jobs/DirectOutput.h"
#include "agent/jobs/DownloadJob.h"
#include "common/http/InternetHandles.h"
#include "common/platform/Environment.h"
#include "common/platform/Process.h"
#include "common/text/Utf.h"

namespace {

namespace fs = std::filesystem;
namespace p = vard::platform;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Cpu {
  double user = 0, sys = 0;
  double Total() const { return user + sys; }
};

// User and system seconds of a process, from /proc (in 1/100 s).
Cpu ProcessCpu(const std::string& pid = "self") {
  std::ifstream in("/proc/" + pid + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Cpu cpu;
  if (text.rfind(')') == std::string::npos) return cpu;
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) fields >> skip;
  fields >> cpu.user >> cpu.sys;
  cpu.user /= 100;
  cpu.sys /= 100;
  return cpu;
}

// The broker's process id: the newest process named vardfsb.
std::string BrokerPid() {
  std::string newest;
  long long newestStart = -1;
  for (const auto& e : fs::directory_iterator("/proc")) {
    const std::string pid = e.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream comm(e.path() / "comm");
    std::string name;
    if (!(comm >> name) || name != "vardfsb") continue;
    std::ifstream stat(e.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    long long start = 0;
    for (int i = 3; i < 22; ++i) fields >> skip;
    fields >> start;
    if (start > newestStart) newestStart = start, newest = pid;
  }
  return newest;
}

struct Options {
  uint64_t mib = 1024;
  int rounds = 3;
  fs::path folder = fs::temp_directory_path() / "vard-agent-bench";
  int rateSeconds = 10;
  uint64_t networkMiB = 0;  // 0: as fast as the loopback goes
  std::string server = VARD_TESTSERVER;
  std::string broker = VARD_BROKER_PROGRAM;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--size") o.mib = std::strtoull(value.c_str(), nullptr, 10);
    else if (name == "--rounds") o.rounds = std::atoi(value.c_str());
    else if (name == "--folder") o.folder = value;
    else if (name == "--rate-seconds") o.rateSeconds = std::atoi(value.c_str());
    else if (name == "--network") o.networkMiB = std::strtoull(value.c_str(), nullptr, 10);
    else if (name == "--server") o.server = value;
    else if (name == "--broker") o.broker = value;
    else return false;
  }
  return argc % 2 == 1 && o.mib > 0 && o.rounds > 0 && o.rateSeconds >= 0;
}

class ServerProcess {
 public:
  ServerProcess(const std::string& program, const fs::path& folder) : portFile_(folder / "server.port") {
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
  unsigned DirectPort() const { return directPort_; }

 private:
  fs::path portFile_;
  p::ChildProcess process_;
  unsigned directPort_ = 0;
};

// A worker and view that answer nothing and count nothing beyond the job's needs.
class QuietHost final : public vard::IDownloadJobHost {
 public:
  bool StopRequested() override { return stop.load(); }
  bool Running() override { return true; }
  void EnterTransferLock() override { lock.lock(); }
  void LeaveTransferLock() override { lock.unlock(); }
  vard::DownloadCounters Counters() override { return {&runBytes, &runSeconds, &jobBytes}; }
  int32_t& CurrentIndex() override { return index; }
  int32_t& DuplicateAction() override { return duplicate; }
  void Status(int) override {}
  void RunEnded() override {}
  vard::ExistingFileOption ExistingOption() override { return vard::ExistingFileOption::kOverwrite; }
  void SetExistingOption(vard::ExistingFileOption) override {}
  vard::DuplicateReply AskDuplicate(const std::u16string&, int64_t) override {
    return {vard::existing_file::kOverwrite, true, {}};
  }
  bool RetryCountdown(int, int) override { return false; }
  vard::RetrySettings Retry() override { return {}; }
  void Message(const std::u16string&, const std::u16string&) override {}

  std::atomic<bool> stop{false};
  std::recursive_mutex lock;
  int64_t runBytes = 0, jobBytes = 0;
  double runSeconds = 0;
  int32_t index = 0, duplicate = 0;
};

// One download of `url` into `name` below `folder`.
class JobRun {
 public:
  JobRun(const Options& o, bool broker, vard::fsb::FileBrokerClient& client)
      : useBroker_(broker), brokerOut_(client, vard::Utf8ToUtf16(o.broker)) {
    session_.Open(u"VardKT5");
  }
  std::shared_ptr<vard::CDownloadFile> Entry(const std::string& url, const std::u16string& name, int64_t size,
                                             int32_t limitKB) {
    vard::DOWNLOAD_INFO r{};
    r.file_size = size;
    vard::StoreField(r.file_name, name);
    vard::StoreField(r.url, vard::Utf8ToUtf16(url));
    r.speed_limit_kb = limitKB;
    vard::COOKIE_INFO c{};
    return std::make_shared<vard::CDownloadFile>(r, c, name, 0);
  }
  void Run(const std::shared_ptr<vard::CDownloadFile>& entry, const fs::path& folder) {
    vard::DownloadJobServices s;
    s.clock = &p::SystemClock();
    s.direct = &direct_;
    s.broker = &brokerOut_;
    s.osMajorVersion = [this] { return useBroker_ ? 10 : 5; };
    s.session = [this] { return session_.Handle(); };
    vard::DownloadJob(host, s).Run({entry}, vard::Utf8ToUtf16(folder.string()), u"");
  }
  QuietHost host;

 private:
  bool useBroker_;
  vard::CInternetSession session_;
  vard::DirectOutput direct_{p::RealFileSystem()};
  vard::BrokerOutput brokerOut_;
};

struct Result {
  double wall = 0;
  Cpu cpu;
  Cpu brokerCpu;
  uint64_t bytes = 0;
  bool ok = false;
};

Result Job(const Options& o, bool broker, vard::fsb::FileBrokerClient& client, const std::string& url,
           uint64_t size) {
  const std::u16string name = broker ? u"broker.bin" : u"direct.bin";
  const fs::path file = o.folder / vard::Utf16ToUtf8(name);
  fs::remove(file);
  JobRun run(o, broker, client);
  auto entry = run.Entry(url, name, static_cast<int64_t>(size), 0);
  // The broker is started ahead: its start is not the transfer.
  if (broker) vard::StartAndConnectBroker(client, vard::Utf8ToUtf16(o.broker));
  const std::string brokerPid = broker ? BrokerPid() : "";
  const Cpu b0 = broker ? ProcessCpu(brokerPid) : Cpu{};
  Result r;
  const Cpu cpu0 = ProcessCpu();
  const auto t0 = Clock::now();
  run.Run(entry, o.folder);
  r.wall = Seconds(Clock::now() - t0);
  const Cpu cpu1 = ProcessCpu();
  r.cpu = {cpu1.user - cpu0.user, cpu1.sys - cpu0.sys};
  if (broker) {
    const Cpu b1 = ProcessCpu(brokerPid);
    r.brokerCpu = {b1.user - b0.user, b1.sys - b0.sys};
  }
  std::error_code ec;
  r.bytes = fs::file_size(file, ec);
  r.ok = entry->status == vard::entry_status::kDone && r.bytes == size;
  fs::remove(file, ec);
  return r;
}

Result Curl(const std::string& url, const fs::path& folder, uint64_t size) {
  const fs::path file = folder / "curl.bin", times = folder / "curl.times";
  fs::remove(file);
  const std::string script = "TIMEFORMAT='%3R %3U %3S'; { time curl -s -o \"$1\" \"$2\"; } 2>\"$3\"";
  p::ChildProcess child = p::ChildProcess::Start(
      u"/bin/bash", {u"-c", vard::Utf8ToUtf16(script), u"bench", vard::Utf8ToUtf16(file.string()),
                     vard::Utf8ToUtf16(url), vard::Utf8ToUtf16(times.string())});
  int exitCode = -1;
  Result r;
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

void Print(const char* label, const char* who, const Result& r) {
  std::printf("%-8s %-7s %8.1f MiB/s %7.2f s wall %6.2f s CPU (%5.2f user %5.2f sys)", label, who,
              r.bytes / 1048576.0 / std::max(r.wall, 1e-9), r.wall, r.cpu.Total(), r.cpu.user, r.cpu.sys);
  if (r.brokerCpu.Total() > 0) std::printf(", broker %5.2f s CPU", r.brokerCpu.Total());
  std::printf("%s\n", r.ok ? "" : "  FAILED");
}

// The job held to `limitKB` for `seconds`; bytes counted on disk by a
// watcher of the file's size, not by the job's own counters.
bool RateCheck(const Options& o, vard::fsb::FileBrokerClient& client, const std::string& url, int32_t limitKB) {
  const fs::path file = o.folder / "limited.bin";
  fs::remove(file);
  JobRun run(o, false, client);
  auto entry = run.Entry(url, u"limited.bin", int64_t{1} << 30, limitKB);
  const auto t0 = Clock::now();
  std::thread worker([&] { run.Run(entry, o.folder); });
  uint64_t bytes = 0;
  std::error_code ec;
  while (Seconds(Clock::now() - t0) < o.rateSeconds) {
    p::SystemClock().Sleep(10);
    const uintmax_t size = fs::file_size(file, ec);
    if (!ec) bytes = size;
  }
  const double elapsed = Seconds(Clock::now() - t0);
  run.host.stop = true;
  worker.join();
  fs::remove(file, ec);
  const double goal = limitKB * 1024.0;
  const double error = 100.0 * (bytes / (goal * elapsed) - 1);
  std::printf("%5d KB/s (%8.0f B/s) %5.2f s: %10llu bytes on disk, target %10.0f, error %+6.2f %%\n", limitKB, goal,
              elapsed, static_cast<unsigned long long>(bytes), goal * elapsed, error);
  return std::abs(error) <= 2.0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: %s [--size MiB] [--rounds N] [--folder DIR] [--rate-seconds S] [--network MiB/s] [--server PROGRAM]"
                 " [--broker PROGRAM]\n",
                 argv[0]);
    return 2;
  }
  p::SetEnv("no_proxy", "127.0.0.1,localhost");
  p::SetEnv("NO_PROXY", "127.0.0.1,localhost");
  fs::create_directories(o.folder);
  // A runtime folder of the bench's own for the broker's pipe and mutex.
  const fs::path runtime = o.folder / "runtime";
  fs::create_directories(runtime);
  p::SetEnv("XDG_RUNTIME_DIR", runtime.c_str());
  ServerProcess server(o.server, o.folder);
  if (!server.DirectPort()) {
    std::fprintf(stderr, "the test server %s did not start\n", o.server.c_str());
    return 1;
  }
  vard::fsb::FileBrokerClient client(p::SystemClock());
  const uint64_t size = o.mib * 1048576;
  const std::string base = "http://127.0.0.1:" + std::to_string(server.DirectPort());
  std::string url = base + "/data/" + std::to_string(size);
  if (o.networkMiB > 0) url += "?throttle=" + std::to_string(o.networkMiB * 1048576);
  std::printf("%llu MiB from %s into %s, best of %d\n", static_cast<unsigned long long>(o.mib), url.c_str(),
              o.folder.string().c_str(), o.rounds);

  Result best[3];
  const char* names[3] = {"direct", "broker", "curl"};
  bool ok = true;
  for (int i = 1; i <= o.rounds; ++i) {
    const std::string label = "round " + std::to_string(i);
    for (int k = 0; k < 3; ++k) {
      const int who = (k + i - 1) % 3;  // each goes first in turn
      const Result r = who == 2 ? Curl(url, o.folder, size) : Job(o, who == 1, client, url, size);
      Print(label.c_str(), names[who], r);
      ok = ok && r.ok;
      if (r.ok && (!best[who].ok || r.wall < best[who].wall)) best[who] = r;
    }
  }
  vard::EndConsoleBroker(client);
  for (int who = 0; who < 3; ++who) Print("best", names[who], best[who]);
  if (best[0].ok && best[2].ok)
    std::printf("direct/curl: throughput %.2f (at least 1.0), CPU seconds %.2f (at most 1.2)\n",
                best[2].wall / best[0].wall, best[0].cpu.Total() / std::max(best[2].cpu.Total(), 1e-9));
  if (best[0].ok && best[1].ok)
    std::printf("broker/direct: throughput %.2f (at least 0.9)\n", best[0].wall / best[1].wall);

  if (o.rateSeconds > 0) {
    std::printf("rate limit, bytes on disk watched every 10 ms:\n");
    ok = RateCheck(o, client, base + "/data/1073741824", 100) && ok;
    ok = RateCheck(o, client, base + "/data/1073741824", 1024) && ok;
  }
  return ok ? 0 : 1;
}

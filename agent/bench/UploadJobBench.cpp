// Not a test: the agent's upload job against the curl command line, and the
// agent's memory after an upload hand-off.
//
//   agent_upload_bench [--size MiB] [--rounds N] [--folder DIR] [--server PROGRAM]
//       a file of that size (1,024 MiB) sent in parts of 5 MiB to the test
//       server's upload store, by the job and by one curl process posting
//       the same parts with the same fields (-F, the file section first);
//       rounds alternate who goes first; the best of each is compared.
//   agent_upload_bench --memory [--folder DIR] [--server PROGRAM]
//       99 files with 99 full-length form fields each, handed to the real
//       agent by kt5upload; the agent's resident memory once all are sent.
//
// The server runs in a process of its own, so no side pays for serving;
// both sides post to its unrecorded port.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "agent/jobs/UploadJob.h"
#include "common/handoff/AgentNames.h"
#include "common/http/InternetHandles.h"
#include "common/platform/Environment.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/WindowMessenger.h"
#include "common/text/Utf.h"

namespace {

namespace fs = std::filesystem;
namespace p = vard::platform;
using Clock = std::chrono::steady_clock;
using vard::Utf8ToUtf16;

constexpr int32_t kPartSize = 5 * 1024 * 1024;

struct Options {
  uint64_t mib = 1024;
  int rounds = 3;
  std::string folder = fs::temp_directory_path().string();
  std::string server = VARD_TESTSERVER;
  bool memory = false;
};

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--memory") {
      o.memory = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (name == "--size") o.mib = std::strtoull(value.c_str(), nullptr, 10);
    else if (name == "--rounds") o.rounds = std::atoi(value.c_str());
    else if (name == "--folder") o.folder = value;
    else if (name == "--server") o.server = value;
    else return false;
  }
  return o.mib > 0 && o.rounds > 0;
}

class ServerProcess {
 public:
  ServerProcess(const std::string& program, const fs::path& folder) : portFile_(folder / "upload-server.port") {
    fs::remove(portFile_);
    process_ = p::ChildProcess::Start(Utf8ToUtf16(program),
                                      {u"--port-file", Utf8ToUtf16(portFile_.string()), u"--lifetime", u"3600"});
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
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(directPort_) + path; }
  bool Up() const { return directPort_ != 0; }

 private:
  fs::path portFile_;
  p::ChildProcess process_;
  unsigned directPort_ = 0;
};

std::string Get(const std::string& url) {
  vard::CInternetSession session;
  session.Open(u"bench");
  vard::CHttpFile file;
  file.OpenUrl(session.Handle(), Utf8ToUtf16(url), u"", p::inet::kFlagReload);
  std::string body;
  char buffer[65536];
  while (const uint32_t n = file.Read(buffer, sizeof buffer)) body.append(buffer, n);
  return body;
}

// Data bytes the store took under attachFile, and whether every request was answered 200.
uint64_t StoredBytes(const ServerProcess& server, const std::string& store, int* requests) {
  std::istringstream log(Get(server.Url("/_upload/" + store + "/log")));
  uint64_t bytes = 0;
  int n = 0;
  for (std::string line; std::getline(log, line); ++n) {
    if (line.find("#status=200") == std::string::npos) return 0;
    const size_t at = line.find("#data=");
    if (at != std::string::npos) bytes += std::strtoull(line.c_str() + at + 6, nullptr, 10);
  }
  if (requests) *requests = n;
  return bytes;
}

double ProcessCpu() {
  std::ifstream in("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string skip;
  for (int i = 0; i < 11; ++i) fields >> skip;
  double user = 0, sys = 0;
  fields >> user >> sys;
  return (user + sys) / 100.0;
}

class QuietHost final : public vard::IUploadJobHost {
 public:
  bool StopRequested() override { return false; }
  void EnterTransferLock() override { lock.lock(); }
  void LeaveTransferLock() override { lock.unlock(); }
  vard::DownloadCounters Counters() override { return {&runBytes, &runSeconds, &jobBytes}; }
  int32_t& CurrentIndex() override { return index; }
  int32_t& PartSize() override { return partSize; }
  int32_t& DuplicateAction() override { return duplicate; }
  uint8_t& ApplyToAll() override { return all; }
  void Status(int) override {}
  vard::UploadExistsAnswer AskExists(const vard::UploadExistsQuestion&) override { return {}; }
  bool RetryCountdown(int) override { return false; }
  vard::RetrySettings Retry() override { return {1, 1}; }

  std::recursive_mutex lock;
  int64_t runBytes = 0, jobBytes = 0;
  double runSeconds = 0;
  int32_t index = 0, partSize = 0, duplicate = 0;
  uint8_t all = 0;
};

struct Result {
  bool ok = false;
  double wall = 0, cpu = 0;
};

Result Ours(const ServerProcess& server, const fs::path& file, uint64_t size, const std::string& store) {
  vard::FILE_INFO f{};
  f.utf8_names = 1;
  vard::StoreField(f.path, Utf8ToUtf16(file.string()));
  vard::ACTION_INFO a{};
  a.part_size = kPartSize;
  vard::StoreField(a.action_url, Utf8ToUtf16(server.Url("/upload/" + store)));
  vard::EntryList list{std::make_shared<vard::CUploadFile>(f, a, nullptr, 0)};
  QuietHost host;
  vard::UploadJobServices s;
  s.clock = &p::SystemClock();
  s.files = &p::RealFileSystem();
  s.registry = &p::SystemRegistry();
  s.setCookie = [](const std::u16string&, const std::u16string&) { return true; };
  const double cpu0 = ProcessCpu();
  const auto t0 = Clock::now();
  vard::UploadJob(host, s).Run(list, u"");
  Result r;
  r.wall = std::chrono::duration<double>(Clock::now() - t0).count();
  r.cpu = ProcessCpu() - cpu0;
  r.ok = StoredBytes(server, store, nullptr) == size;
  return r;
}

// One curl process posts every part (--next), the fields as the job sends them.
Result Curl(const ServerProcess& server, const fs::path& file, const std::vector<fs::path>& parts, uint64_t size,
            const fs::path& folder, const std::string& store) {
  const fs::path config = folder / "curl.config", times = folder / "curl.times";
  {
    std::ofstream c(config);
    for (size_t n = 0; n < parts.size(); ++n) {
      if (n) c << "next\n";
      c << "form = \"_file=@" << parts[n].string() << ";filename=" << file.string()
        << ";type=application/octet-stream\"\n"
        << "form = \"_action=attachFile\"\nform = \"_partno=" << n << "\"\nform = \"_resume=n\"\n"
        << "form = \"_filename=" << file.filename().string() << "\"\nform = \"_filesize=" << size << "\"\n"
        << "form = \"_folder=\"\n"
        << "url = \"" << server.Url("/upload/" + store) << "\"\noutput = \"/dev/null\"\nsilent\n";
    }
  }
  const std::string script = "TIMEFORMAT='%3R %3U %3S'; { time curl -K \"$1\"; } 2>\"$2\"";
  p::ChildProcess child = p::ChildProcess::Start(
      u"/bin/bash", {u"-c", Utf8ToUtf16(script), u"bench", Utf8ToUtf16(config.string()), Utf8ToUtf16(times.string())});
  int exitCode = -1;
  Result r;
  if (!child.IsValid() || !child.Wait(3600 * 1000, &exitCode)) return r;
  double real = 0, user = 0, sys = 0;
  std::ifstream in(times);
  if (in >> real >> user >> sys) {
    r.wall = real;
    r.cpu = user + sys;
  }
  r.ok = exitCode == 0 && StoredBytes(server, store, nullptr) == size;
  return r;
}

void WritePattern(const fs::path& path, uint64_t size) {
  std::ofstream out(path, std::ios::binary);
  std::string block(1 << 20, '\0');
  for (uint64_t done = 0; done < size;) {
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((done + i) * 131 ^ ((done + i) >> 11));
    const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), size - done));
    out.write(block.data(), static_cast<std::streamsize>(n));
    done += n;
  }
}

int Throughput(const Options& o) {
  const fs::path folder = fs::path(o.folder) / "vard-upload-bench";
  fs::create_directories(folder / "parts");
  const uint64_t size = o.mib << 20;
  const fs::path file = folder / "upload.bin";
  WritePattern(file, size);
  std::vector<fs::path> parts;
  {
    std::ifstream in(file, std::ios::binary);
    std::string buffer(kPartSize, '\0');
    for (uint64_t done = 0; done < size; done += kPartSize) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kPartSize, size - done));
      in.read(buffer.data(), static_cast<std::streamsize>(n));
      parts.push_back(folder / "parts" / ("p" + std::to_string(parts.size())));
      std::ofstream(parts.back(), std::ios::binary).write(buffer.data(), static_cast<std::streamsize>(n));
    }
  }
  ServerProcess server(o.server, folder);
  if (!server.Up()) {
    std::fprintf(stderr, "the test server did not start\n");
    return 1;
  }
  Result best[2];
  for (int round = 0; round < o.rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const int who = (round + turn) % 2;
      const std::string store = std::string(who ? "curl" : "ours") + std::to_string(round);
      const Result r = who ? Curl(server, file, parts, size, folder, store) : Ours(server, file, size, store);
      std::printf("round %d %-4s %s %.2f s, %.0f MiB/s, CPU %.2f s\n", round + 1, who ? "curl" : "job",
                  r.ok ? "ok  " : "FAIL", r.wall, r.wall > 0 ? o.mib / r.wall : 0, r.cpu);
      std::fflush(stdout);
      if (r.ok && (!best[who].ok || r.wall < best[who].wall)) best[who] = r;
      // The store holds what it assembled: let it go before the next run.
      Get(server.Url("/_upload/" + store + "/forget"));
    }
  }
  fs::remove_all(folder);
  if (!best[0].ok || !best[1].ok) return 1;
  std::printf("best: job %.0f MiB/s, curl %.0f MiB/s, job/curl %.2f (at least 0.8)\n", o.mib / best[0].wall,
              o.mib / best[1].wall, best[1].wall / best[0].wall);
  return 0;
}

// Resident and peak memory of a process, in KiB, from /proc.
std::pair<long, long> Memory(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/status");
  long rss = -1, hwm = -1;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmRSS:", 0) == 0) rss = std::atol(line.c_str() + 6);
    if (line.rfind("VmHWM:", 0) == 0) hwm = std::atol(line.c_str() + 6);
  }
  return {rss, hwm};
}

std::string AgentPid(const fs::path& program) {
  std::error_code ec;
  const fs::path wanted = fs::canonical(program, ec);
  for (const auto& e : fs::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (fs::read_symlink(e.path() / "exe", ec) == wanted) {
      // Ours, not another session's: the same runtime folder.
      std::ifstream env(e.path() / "environ");
      std::string text((std::istreambuf_iterator<char>(env)), std::istreambuf_iterator<char>());
      if (text.find("XDG_RUNTIME_DIR=" + p::GetEnv("XDG_RUNTIME_DIR").value_or("")) != std::string::npos)
        return name;
    }
  }
  return {};
}

int MemoryAfterHandOff(const Options& o) {
  const fs::path folder = fs::path(o.folder) / "vard-upload-memory";
  fs::remove_all(folder);
  for (const char* name : {"XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
    fs::create_directories(folder / name);
    p::SetEnv(name, (folder / name).c_str());
  }
  std::vector<std::u16string> args = {u"--program", Utf8ToUtf16(VARD_AGENT_PROGRAM), u"--fill-fields", u"99",
                                      u"--language", u"en"};
  ServerProcess server(o.server, folder);
  if (!server.Up()) return 1;
  args.push_back(Utf8ToUtf16(server.Url("/upload/memory")));
  for (int i = 0; i < 99; ++i) {
    const fs::path f = folder / ("f" + std::to_string(i) + ".bin");
    WritePattern(f, 1000);
    args.push_back(Utf8ToUtf16(f.string()));
  }
  p::ChildProcess tool = p::ChildProcess::Start(Utf8ToUtf16(VARD_KT5UPLOAD_PROGRAM), args);
  int code = -1;
  if (!tool.Wait(60000, &code) || code != 0) {
    std::fprintf(stderr, "kt5upload failed (%d)\n", code);
    return 1;
  }
  int requests = 0;
  const auto t0 = Clock::now();
  while (StoredBytes(server, "memory", &requests) < 99000 && Clock::now() - t0 < std::chrono::seconds(120))
    p::SystemClock().Sleep(100);
  p::SystemClock().Sleep(500);
  const std::string pid = AgentPid(VARD_AGENT_PROGRAM);
  const auto [rss, hwm] = Memory(pid);
  std::printf("99 files with 99 fields each: %d requests, %llu data bytes stored\n", requests,
              static_cast<unsigned long long>(StoredBytes(server, "memory", nullptr)));
  std::printf("agent resident memory %.1f MB (peak %.1f MB), at most 64 MB\n", rss / 1024.0, hwm / 1024.0);
  if (auto main = p::FindProgramWindow(vard::kUploadMainClass)) p::PostClose(*main, 1);
  p::SystemClock().WaitUntil([] { return !p::NamedMutex::Exists(vard::kUploadAgentMutex); }, 10000, 50);
  fs::remove_all(folder);
  return rss > 0 && rss < 64 * 1024 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    std::fprintf(stderr, "usage: agent_upload_bench [--size MiB] [--rounds N] [--folder DIR] [--server PROGRAM] | --memory\n");
    return 2;
  }
  return o.memory ? MemoryAfterHandOff(o) : Throughput(o);
}

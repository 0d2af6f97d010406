// The download job's fault matrix: every file must end byte-identical.
//   - the server cuts the body at random offsets, resumed by Range and by
//     "_filesize=";
//   - the real agent, started by a page's hand-off through the control
//     host, is killed (SIGKILL) at random moments of its download; a new
//     control's SavedDownload hands the records still pending in
//     "kt_save.dat" to a new agent, which finishes them;
//   - the broker is killed in the middle of a file; the job finishes it by
//     itself.
//
//   agent_fault_matrix [--cuts N] [--kills N] [--broker-kills N] [--seed S]
//                      [--folder DIR] [--server PROGRAM] [--broker PROGRAM]
//                      [--agent PROGRAM] [--host PROGRAM] [--vardwin PROGRAM]
// Prints one line per case and a summary; exits 1 when any file differs.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "agent/jobs/BrokerOutput.h"
#include "agent/jobs/BrokerStarter.h"
#include "agent/jobs/DirectOutput.h"
#include "agent/jobs/DownloadJob.h"
#include "common/handoff/AgentNames.h"
#include "common/handoff/SavedDownloads.h"
#include "common/http/InternetHandles.h"
#include "common/http/testing/TestData.h"
#include "common/platform/Environment.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/text/Utf.h"

namespace {

namespace fs = std::filesystem;
namespace p = vard::platform;

struct Options {
  int cuts = 100;
  int kills = 20;
  int brokerKills = 3;
  unsigned seed = 1;
  fs::path folder = fs::temp_directory_path() / "vard-fault-matrix";
  std::string server = VARD_TESTSERVER;
  std::string broker = VARD_BROKER_PROGRAM;
  std::string agent = VARD_AGENT_PROGRAM;
  std::string host = VARD_HOST_PROGRAM;
  std::string vardwin = VARD_VARDWIN_PROGRAM;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--cuts") o.cuts = std::atoi(value.c_str());
    else if (name == "--kills") o.kills = std::atoi(value.c_str());
    else if (name == "--broker-kills") o.brokerKills = std::atoi(value.c_str());
    else if (name == "--seed") o.seed = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    else if (name == "--folder") o.folder = value;
    else if (name == "--server") o.server = value;
    else if (name == "--broker") o.broker = value;
    else if (name == "--agent") o.agent = value;
    else if (name == "--host") o.host = value;
    else if (name == "--vardwin") o.vardwin = value;
    else return false;
  }
  return argc % 2 == 1 && o.cuts >= 0 && o.kills >= 0 && o.brokerKills >= 0;
}

// A worker and view that always resume and always retry.
class MatrixHost final : public vard::IDownloadJobHost {
 public:
  bool StopRequested() override { return false; }
  bool Running() override { return true; }
  void EnterTransferLock() override { lock.lock(); }
  void LeaveTransferLock() override { lock.unlock(); }
  vard::DownloadCounters Counters() override { return {&runBytes, &runSeconds, &jobBytes}; }
  int32_t& CurrentIndex() override { return index; }
  int32_t& DuplicateAction() override { return duplicate; }
  void Status(int) override {}
  void RunEnded() override {}
  vard::ExistingFileOption ExistingOption() override { return vard::ExistingFileOption::kResume; }
  void SetExistingOption(vard::ExistingFileOption) override {}
  vard::DuplicateReply AskDuplicate(const std::u16string&, int64_t) override {
    return {vard::existing_file::kResume, true, {}};
  }
  bool RetryCountdown(int, int) override { return true; }
  vard::RetrySettings Retry() override { return {1, 99}; }
  void Message(const std::u16string& text, const std::u16string&) override { messages.push_back(text); }

  std::recursive_mutex lock;
  int64_t runBytes = 0, jobBytes = 0;
  double runSeconds = 0;
  int32_t index = 0, duplicate = 0;
  std::vector<std::u16string> messages;
};

std::shared_ptr<vard::CDownloadFile> Entry(const std::string& url, const std::string& name, int64_t size, bool byQuery) {
  vard::DOWNLOAD_INFO r{};
  r.state = vard::kSavedPending;
  r.file_size = size;
  vard::StoreField(r.file_name, vard::Utf8ToUtf16(name));
  vard::StoreField(r.url, vard::Utf8ToUtf16(url));
  vard::COOKIE_INFO c{};
  c.resume_by_query = byQuery ? 1 : 0;
  return std::make_shared<vard::CDownloadFile>(r, c, vard::Utf8ToUtf16(name), 0);
}

// The process's one broker client, as in the agent.
vard::fsb::FileBrokerClient& BrokerClient() {
  static vard::fsb::FileBrokerClient client(p::SystemClock());
  return client;
}

// The job over `list` into `folder`, directly or through the broker.
void RunJob(const vard::EntryList& list, const fs::path& folder, bool broker, const std::string& brokerProgram,
            const fs::path& saved, MatrixHost& host) {
  vard::CInternetSession session;
  session.Open(u"VardKT5");
  vard::fsb::FileBrokerClient& client = BrokerClient();
  vard::DirectOutput direct(p::RealFileSystem());
  vard::BrokerOutput brokerOut(client, vard::Utf8ToUtf16(brokerProgram));
  vard::DownloadJobServices s;
  s.clock = &p::SystemClock();
  s.direct = &direct;
  s.broker = &brokerOut;
  s.osMajorVersion = [broker] { return broker ? 10 : 5; };
  s.session = [&session] { return session.Handle(); };
  s.savedDownloadsPath = vard::Utf8ToUtf16(saved.string());
  vard::DownloadJob(host, s).Run(list, vard::Utf8ToUtf16(folder.string()), u"");
}

bool Identical(const fs::path& file, uint64_t size) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() != size) return false;
  for (uint64_t i = 0; i < size; ++i)
    if (static_cast<uint8_t>(bytes[i]) != vard::http_testing::DataByte(i)) return false;
  return true;
}

class ServerProcess {
 public:
  ServerProcess(const std::string& program, const fs::path& folder) : portFile_(folder / "server.port") {
    fs::remove(portFile_);
    process_ = p::ChildProcess::Start(vard::Utf8ToUtf16(program),
                                      {u"--port-file", vard::Utf8ToUtf16(portFile_.string()), u"--lifetime", u"3600"});
    for (int i = 0; i < 200 && process_.IsValid() && port_ == 0; ++i) {
      p::SystemClock().Sleep(50);
      std::ifstream in(portFile_);
      unsigned recording = 0, direct = 0;
      if (in >> recording >> direct) port_ = direct;
    }
  }
  ~ServerProcess() {
    process_.Kill();
    process_.Wait(5000, nullptr);
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  bool Started() const { return port_ != 0; }

 private:
  fs::path portFile_;
  p::ChildProcess process_;
  unsigned port_ = 0;
};


struct KillCase {
  uint32_t afterMs = 0;
  uintmax_t onDisk = 0;  // bytes of the files when the agent died
  int pending = 0;
  bool identical = false;
  std::string why;
};

// The real programs of a kill: the control host runs the pages' scripts,
// the agent comes from a system directory of this matrix's own (with the
// broker beside it), vardwin presses the agent's buttons. Runtime, data,
// settings and documents folders are the matrix's own too, so nothing
// here meets another agent.
class AgentWorld {
 public:
  explicit AgentWorld(const Options& o) : o_(o), docs_(o.folder / "docs") {
    const fs::path system = o.folder / "system";
    for (const fs::path& f : {system, docs_, o.folder / "data", o.folder / "config"}) fs::create_directories(f);
    std::error_code ec;
    agent_ = fs::canonical(o.agent, ec);
    fs::create_symlink(agent_, system / agent_.filename(), ec);
    fs::create_symlink(fs::canonical(o.broker, ec), system / fs::path(o.broker).filename(), ec);
    p::SetEnv("VARDEL_SYSTEM_DIR", system.c_str());
    p::SetEnv("XDG_DATA_HOME", (o.folder / "data").c_str());
    p::SetEnv("XDG_CONFIG_HOME", (o.folder / "config").c_str());
    p::SetEnv("XDG_DOCUMENTS_DIR", docs_.c_str());
    runtime_ = p::GetEnv("XDG_RUNTIME_DIR").value_or("");
  }

  KillCase Kill(const ServerProcess& server, std::mt19937& random, int round) {
    KillCase c;
    fs::remove_all(docs_);
    fs::create_directories(docs_);
    std::vector<std::pair<std::string, int64_t>> files;
    std::string script = Page(server);
    for (int k = 0; k < 3; ++k) {
      const int64_t size = 2000000 + static_cast<int64_t>(random() % 2000000);
      const std::string name = "kill" + std::to_string(k) + ".bin";
      script += "call AppendFile \"/data/" + std::to_string(size) + "?throttle=8000000&r=" + std::to_string(round) +
                "\" \"" + name + "\" -\n";
      files.emplace_back(name, size);
    }
    script += "call StartPlusDownload\n";
    if (!Host(script) || !Press(1002)) return Fail(c, "the first agent did not start");
    c.afterMs = 100 + random() % 1400;
    p::SystemClock().Sleep(c.afterMs);
    const std::string pid = AgentPid();
    if (pid.empty()) return Fail(c, "no agent to kill");
    Run(u"/bin/kill", {u"-KILL", vard::Utf8ToUtf16(pid)});
    if (!AgentGone()) return Fail(c, "the killed agent stayed");
    std::error_code ec;
    for (const auto& [name, size] : files)
      c.onDisk += fs::exists(docs_ / name, ec) ? fs::file_size(docs_ / name, ec) : 0;
    c.pending = static_cast<int>(vard::PendingSavedDownloads(vard::SavedDownloadsPath()).size());
    if (c.pending > 0) {
      // A new page's control hands over what the file still holds; the
      // new agent resumes files that are there.
      if (!Host(Page(server) + "call SavedDownload\n") || !Press(1015) || !Press(1002))
        return Fail(c, "the second agent did not start");
    }
    const bool done = p::SystemClock().WaitUntil(
        [&] {
          for (const auto& [name, size] : files)
            if (!fs::exists(docs_ / name) || fs::file_size(docs_ / name) != static_cast<uintmax_t>(size)) return false;
          return vard::PendingSavedDownloads(vard::SavedDownloadsPath()).empty();
        },
        60000, 50);
    c.identical = done;
    for (const auto& [name, size] : files)
      c.identical = c.identical && Identical(docs_ / name, static_cast<uint64_t>(size));
    if (!c.identical) c.why = done ? "bytes differ" : "not finished in 60 s";
    EndAgent();
    return c;
  }

  // Closes an agent still running, and the broker the agents started: the
  // next cases start brokers of their own.
  void End() {
    EndAgent();
    if (p::NamedMutex::Exists(vard::fsb::kInstanceMutexName)) vard::EndConsoleBroker(BrokerClient());
    p::SystemClock().WaitUntil([] { return !p::NamedMutex::Exists(vard::fsb::kInstanceMutexName); }, 10000, 20);
  }

 private:
  static KillCase Fail(KillCase& c, const char* why) {
    c.why = why;
    return c;
  }
  static std::string Page(const ServerProcess& server) {
    return "param Language en\npageurl " + server.Url("/shop/index.html") + "\ncreate 480 240\n";
  }
  static int Run(const std::u16string& program, const std::vector<std::u16string>& args) {
    p::ChildProcess child = p::ChildProcess::Start(program, args);
    int code = -1;
    if (!child.IsValid() || !child.Wait(60000, &code)) return -1;
    return code;
  }
  // The host's output is of no interest here; the agent it starts must not
  // hold this process's output open either.
  bool Host(const std::string& script) {
    const fs::path file = o_.folder / "page.kts";
    std::ofstream(file) << script;
    const std::u16string log = vard::Utf8ToUtf16((o_.folder / "host.log").string());
    return Run(u"/bin/bash", {u"-c", u"exec \"$1\" \"$2\" >\"$3\" 2>&1 </dev/null", u"host", vard::Utf8ToUtf16(o_.host),
                              vard::Utf8ToUtf16(file.string()), log}) == 0;
  }
  // Presses a button of the agent's view once it answers.
  bool Press(int id) {
    return p::SystemClock().WaitUntil(
        [&] {
          return Run(u"/bin/bash", {u"-c", u"exec \"$1\" \"$2\" command \"$3\" >/dev/null 2>&1", u"vardwin",
                                    vard::Utf8ToUtf16(o_.vardwin), vard::kDownloadViewClass,
                                    vard::Utf8ToUtf16(std::to_string(id))}) == 0;
        },
        10000, 50);
  }
  // The agent of this matrix: its program, in this matrix's runtime folder.
  std::string AgentPid() const {
    for (const auto& e : fs::directory_iterator("/proc")) {
      const std::string pid = e.path().filename().string();
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      std::error_code ec;
      if (fs::read_symlink(e.path() / "exe", ec) != agent_ || ec) continue;
      std::ifstream in(e.path() / "environ", std::ios::binary);
      const std::string env((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (env.find(std::string("XDG_RUNTIME_DIR=") + runtime_ + '\0') != std::string::npos) return pid;
    }
    return {};
  }
  static bool AgentGone() {
    return p::SystemClock().WaitUntil([] { return !p::NamedMutex::Exists(vard::kDownloadAgentMutex); }, 10000, 20);
  }
  void EndAgent() {
    if (!p::NamedMutex::Exists(vard::kDownloadAgentMutex)) return;
    Run(u"/bin/bash", {u"-c", u"exec \"$1\" \"$2\" close 1 >/dev/null 2>&1", u"vardwin",
                       vard::Utf8ToUtf16(o_.vardwin), vard::kDownloadMainClass});
    if (AgentGone()) return;
    const std::string pid = AgentPid();
    if (!pid.empty()) Run(u"/bin/kill", {u"-KILL", vard::Utf8ToUtf16(pid)});
    AgentGone();
  }

  const Options& o_;
  fs::path docs_;
  fs::path agent_;
  std::string runtime_;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr, "usage: %s [--cuts N] [--kills N] [--broker-kills N] [--seed S] [--folder DIR]"
                 " [--server PROGRAM] [--broker PROGRAM] [--agent PROGRAM] [--host PROGRAM] [--vardwin PROGRAM]\n",
                 argv[0]);
    return 2;
  }
  p::SetEnv("no_proxy", "127.0.0.1,localhost");
  p::SetEnv("NO_PROXY", "127.0.0.1,localhost");

  fs::remove_all(o.folder);
  fs::create_directories(o.folder);
  // The runtime folder holds the agent's window sockets, whose paths must
  // stay short: it lives in the temporary folder, not in o.folder.
  const fs::path runtime = fs::temp_directory_path() / ("vfm-" + std::to_string(std::random_device()() % 1000000));
  fs::create_directories(runtime);
  p::SetEnv("XDG_RUNTIME_DIR", runtime.c_str());
  struct RemoveRuntime {
    fs::path path;
    ~RemoveRuntime() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  } removeRuntime{runtime};
  ServerProcess server(o.server, o.folder);
  if (!server.Started()) {
    std::fprintf(stderr, "the test server %s did not start\n", o.server.c_str());
    return 1;
  }
  std::mt19937 random(o.seed);
  std::printf("seed %u (--seed repeats this run)\n", o.seed);
  int failures = 0;

  // Cuts: each answer of the server breaks off after `cut` body bytes.
  const fs::path cuts = o.folder / "cuts";
  fs::create_directories(cuts);
  for (int i = 0; i < o.cuts; ++i) {
    const int64_t size = 200000 + static_cast<int64_t>(random() % 800000);
    const int64_t cut = 1 + static_cast<int64_t>(random() % static_cast<uint64_t>(size - 1));
    const bool byQuery = i % 2 == 1;
    const std::string name = "cut" + std::to_string(i) + ".bin";
    MatrixHost host;
    RunJob({Entry(server.Url("/data/" + std::to_string(size) + "?cut=" + std::to_string(cut)), name, size, byQuery)},
           cuts, false, o.broker, {}, host);
    const bool same = Identical(cuts / name, static_cast<uint64_t>(size));
    failures += !same;
    std::printf("cut    %3d: %7lld bytes cut at %7lld, resumed by %-5s %s\n", i, static_cast<long long>(size),
                static_cast<long long>(cut), byQuery ? "query" : "Range", same ? "identical" : "DIFFERS");
  }

  // Kills: the real agent dies at a random moment of its download; a new
  // control's SavedDownload hands the pending records to a new agent.
  AgentWorld world(o);
  for (int i = 0; i < o.kills; ++i) {
    const KillCase c = world.Kill(server, random, i);
    failures += !c.identical;
    std::printf("kill   %3d: after %4u ms, %8ju bytes on disk, %d of 3 pending, finished by SavedDownload: %s\n", i,
                c.afterMs, c.onDisk, c.pending, c.identical ? "identical" : ("DIFFERS (" + c.why + ")").c_str());
    std::fflush(stdout);
  }
  world.End();

  // Broker kills: the job starts the broker; it dies in the middle of a file.
  const fs::path brokerFolder = o.folder / "broker";
  fs::create_directories(brokerFolder);
  for (int i = 0; i < o.brokerKills; ++i) {
    const int64_t size = 4000000;
    const std::string name = "broker" + std::to_string(i) + ".bin";
    p::ChildProcess broker = p::ChildProcess::Start(vard::Utf8ToUtf16(o.broker),
                                                    {std::u16string(u"-") + vard::fsb::kConsoleModeGuid});
    p::SystemClock().WaitUntil([] { return p::NamedMutex::Exists(vard::fsb::kInstanceMutexName); }, 5000, 20);
    const uint32_t at = 100 + random() % 300;
    std::thread killer([&] {
      p::SystemClock().Sleep(at);
      broker.Kill();
      broker.Wait(10000, nullptr);
    });
    MatrixHost host;
    RunJob({Entry(server.Url("/data/" + std::to_string(size) + "?throttle=8000000"), name, size, false)},
           brokerFolder, true, o.broker, {}, host);
    killer.join();
    const bool bytes = Identical(brokerFolder / name, static_cast<uint64_t>(size));
    const bool same = bytes && host.messages.empty();
    failures += !same;
    std::printf("broker %3d: killed after %3u ms, finished through a new broker: %s\n", i, at,
                same ? "identical" : bytes ? "DIFFERS (a message was shown)" : "DIFFERS (bytes)");
  }
  vard::EndConsoleBroker(BrokerClient());

  std::printf("%d cuts, %d kills, %d broker kills: %d failed\n", o.cuts, o.kills, o.brokerKills, failures);
  return failures ? 1 : 0;
}

// The download job's fault matrix: every file must end byte-identical.
//   - the server cuts the body at random offsets, resumed by Range and by
//     "_filesize=";
//   - the job's process is killed (SIGKILL) at random moments; a new run
//     takes the records still pending in "kt_save.dat", as a new control's
//     SavedDownload hands them over, and finishes them;
//   - the broker is killed in the middle of a file; the job finishes it by
//     itself.
//
//   agent_fault_matrix [--cuts N] [--kills N] [--broker-kills N] [--seed S]
//                      [--folder DIR] [--server PROGRAM] [--broker PROGRAM]
// Prints one line per case and a summary; exits 1 when any file differs.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>

#include "agent/jobs/BrokerOutput.h"
#include "agent/jobs/BrokerStarter.h"
#include "agent/jobs/DirectOutput.h"
#include "agent/jobs/DownloadJob.h"
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
  // Child mode: the run that gets killed.
  std::string childList;
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
    else if (name == "--child") o.childList = value;
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
    return {vard::duplicate_answer::kResume, true, {}};
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

// Child mode: the list file holds "url size name byQuery" lines.
int Child(const Options& o) {
  std::ifstream in(o.childList);
  vard::EntryList list;
  std::string url, name;
  int64_t size = 0;
  int byQuery = 0;
  while (in >> url >> size >> name >> byQuery) list.push_back(Entry(url, name, size, byQuery != 0));
  MatrixHost host;
  RunJob(list, o.folder / "kills", false, o.broker, o.folder / "kills" / "kt_save.dat", host);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr, "usage: %s [--cuts N] [--kills N] [--broker-kills N] [--seed S] [--folder DIR]"
                 " [--server PROGRAM] [--broker PROGRAM]\n", argv[0]);
    return 2;
  }
  p::SetEnv("no_proxy", "127.0.0.1,localhost");
  p::SetEnv("NO_PROXY", "127.0.0.1,localhost");
  if (!o.childList.empty()) return Child(o);

  fs::remove_all(o.folder);
  fs::create_directories(o.folder / "runtime");
  p::SetEnv("XDG_RUNTIME_DIR", (o.folder / "runtime").c_str());
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

  // Kills: the job's process dies at a random moment; the pending records
  // are taken up by a new run.
  const fs::path kills = o.folder / "kills";
  for (int i = 0; i < o.kills; ++i) {
    fs::remove_all(kills);
    fs::create_directories(kills);
    const fs::path list = o.folder / "kill-list.txt";
    std::vector<std::pair<std::string, int64_t>> files;
    {
      std::ofstream out(list);
      vard::SavedDownloadsAppender saved(vard::Utf8ToUtf16((kills / "kt_save.dat").string()));
      for (int k = 0; k < 3; ++k) {
        const int64_t size = 2000000 + static_cast<int64_t>(random() % 2000000);
        const std::string url = server.Url("/data/" + std::to_string(size) + "?throttle=8000000&k=" + std::to_string(k));
        const std::string name = "kill" + std::to_string(k) + ".bin";
        out << url << ' ' << size << ' ' << name << ' ' << (k % 2) << '\n';
        files.emplace_back(name, size);
        vard::DOWNLOAD_INFO r{};
        r.state = vard::kSavedPending;
        r.file_size = size;
        vard::StoreField(r.file_name, vard::Utf8ToUtf16(name));
        vard::StoreField(r.url, vard::Utf8ToUtf16(url));
        saved.Append(r);
      }
    }
    const uint32_t at = 50 + random() % 1000;
    p::ChildProcess child = p::ChildProcess::Start(vard::Utf8ToUtf16(fs::read_symlink("/proc/self/exe").string()),
                                                   {u"--child", vard::Utf8ToUtf16(list.string()), u"--folder",
                                                    vard::Utf8ToUtf16(o.folder.string())});
    p::SystemClock().Sleep(at);
    child.Kill();
    child.Wait(10000, nullptr);
    // What a new control hands over: the records still pending.
    const auto pending = vard::PendingSavedDownloads(vard::Utf8ToUtf16((kills / "kt_save.dat").string()));
    vard::EntryList again;
    for (const auto& r : pending) {
      const std::string url = vard::Utf16ToUtf8(vard::ReadField(r.url));
      again.push_back(Entry(url, vard::Utf16ToUtf8(vard::ReadField(r.file_name)), r.file_size,
                            url.find("k=1") != std::string::npos));
    }
    MatrixHost host;
    RunJob(again, kills, false, o.broker, kills / "kt_save.dat", host);
    bool same = vard::PendingSavedDownloads(vard::Utf8ToUtf16((kills / "kt_save.dat").string())).empty();
    for (const auto& [name, size] : files) same = same && Identical(kills / name, static_cast<uint64_t>(size));
    failures += !same;
    std::printf("kill   %3d: after %4u ms, %zu of 3 pending, finished by a new run: %s\n", i, at, pending.size(),
                same ? "identical" : "DIFFERS");
  }

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
    const bool same = Identical(brokerFolder / name, static_cast<uint64_t>(size)) && host.messages.empty();
    failures += !same;
    std::printf("broker %3d: killed after %3u ms, finished through a new broker: %s\n", i, at,
                same ? "identical" : "DIFFERS");
  }
  vard::EndConsoleBroker(BrokerClient());

  std::printf("%d cuts, %d kills, %d broker kills: %d failed\n", o.cuts, o.kills, o.brokerKills, failures);
  return failures ? 1 : 0;
}

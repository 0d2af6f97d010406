// Whole runs of the engine writing through a broker: the files arrive, and
// no name from a page that would leave the download folder reaches it.
#include <gtest/gtest.h>

#include "common/http/testing/TestData.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/FileSystem.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/tests/TestFolder.h"
#include "control/engine/DownloadEngine.h"
#include "control/engine/ProtectedModeTarget.h"
#include "control/engine/tests/RecordingBroker.h"

namespace vard {
namespace {

namespace p = platform;
using http_tests::ServerUrl;
using p::testing::TestFolder;
using testing::RecordingBroker;

class QuietHost final : public IDownloadRunHost {
 public:
  void SetItemCounterText(const std::u16string&) override {}
  void SetCurrentFileText(const std::u16string&) override {}
  void ItemChanged(size_t) override {}
  void RefreshTexts() override {}
  DuplicateAnswer AskDuplicate(const DuplicateQuestion&) override { return {existing_file::kOverwrite, false, {}}; }
  void RunFinished() override {}
};

DownloadItem Item(const std::u16string& url, const std::u16string& name, int64_t size) {
  DownloadItem i;
  i.url = url;
  i.fileName = name;
  i.displayName = name;
  i.fileSize = size;
  return i;
}

std::string Data(uint64_t offset, size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(http_testing::DataByte(offset + i));
  return s;
}

std::string ReadFile(const std::u16string& path) {
  p::File f = p::File::Open(path, p::access::kRead, p::share::kRead, p::Disposition::kOpenExisting);
  std::string bytes;
  if (!f.IsOpen()) return "<missing>";
  char buf[65536];
  uint32_t got = 0;
  while (f.Read(buf, sizeof buf, &got) && got) bytes.append(buf, got);
  return bytes;
}

class BrokerRun : public ::testing::Test {
 protected:
  BrokerRun() {
    ProtectedModeServices s;
    s.clock = &clock;
    s.files = &p::RealFileSystem();
    s.osMajorVersion = [] { return 6; };
    s.createBroker = [this]() -> std::unique_ptr<p::IElevationBroker> {
      brokers.push_back(std::make_shared<RecordingBroker>(sectionName));
      return std::make_unique<testing::SharedBroker>(brokers.back());
    };
    s.sectionName = sectionName;
    output = std::make_unique<ProtectedModeTarget>(std::move(s));
  }
  ~BrokerRun() override {
    output.reset();
    p::RemoveSharedMemoryName(sectionName);
  }

  DownloadEngine& Run(std::vector<DownloadItem> items) {
    DownloadRunOptions options;
    options.downloadFolder = folder.Path();
    options.alwaysResume = resume;
    DownloadEngineServices s;
    s.clock = &clock;
    s.target = output.get();
    s.host = &host;
    engine = std::make_unique<DownloadEngine>(s, options, std::move(items));
    engine->Run();
    return *engine;
  }

  // The run's and the broker lock's waits pass on this clock.
  p::testing::FakeClock clock;
  std::u16string sectionName = u"VardEngineBrokerTest-" + AsciiToUtf16(std::to_string(reinterpret_cast<uintptr_t>(this) % 100000));
  TestFolder folder;
  QuietHost host;
  bool resume = false;
  std::vector<std::shared_ptr<RecordingBroker>> brokers;
  std::unique_ptr<ProtectedModeTarget> output;
  std::unique_ptr<DownloadEngine> engine;
};

TEST_F(BrokerRun, TheFilesOfARunArriveThroughTheBroker) {
  Run({Item(ServerUrl("/data/100000"), u"sub\\one.bin", 100000), Item(ServerUrl("/data/12000"), u"two.bin", 12000)});
  EXPECT_EQ(engine->EndCode(), endcode::kCompleted);
  EXPECT_TRUE(ReadFile(folder / u"sub\\one.bin") == Data(0, 100000));
  EXPECT_TRUE(ReadFile(folder / u"two.bin") == Data(0, 12000));
  ASSERT_EQ(brokers.size(), 1u);
}

TEST_F(BrokerRun, AResumedRunAppendsAfterTheSizeCall) {
  {
    p::File f = p::File::Open(folder / u"part.bin", p::access::kWrite, 0, p::Disposition::kCreateAlways);
    uint32_t n = 0;
    f.Write(Data(0, 3000).data(), 3000, &n);
  }
  resume = true;
  Run({Item(ServerUrl("/data/20000"), u"part.bin", 20000)});
  EXPECT_EQ(engine->EndCode(), endcode::kCompleted);
  EXPECT_TRUE(ReadFile(folder / u"part.bin") == Data(0, 20000));
}

TEST_F(BrokerRun, NamesLeavingTheFolderNeverReachTheBroker) {
  const std::u16string outside[] = {u"..\\escape.bin", u"a\\..\\..\\escape.bin", u"C:\\escape.bin",
                                    u"\\escape.bin", u"/tmp/escape.bin", u"../escape.bin"};
  std::vector<DownloadItem> items;
  for (const auto& name : outside) items.push_back(Item(ServerUrl("/data/10"), name, 10));
  items.push_back(Item(ServerUrl("/data/10"), u"inside.bin", 10));
  Run(items);
  ASSERT_EQ(brokers.size(), 1u);
  for (size_t i = 0; i + 1 < items.size(); ++i) EXPECT_EQ(engine->Item(i).status, item::kFailed) << i;
  EXPECT_EQ(engine->Item(items.size() - 1).status, item::kDone);
  // What the broker saw: only the one inside the folder.
  const std::vector<std::string> seen = brokers[0]->Calls();
  for (const std::string& call : seen) EXPECT_EQ(call.find("escape"), std::string::npos) << call;
  EXPECT_EQ(ReadFile(folder / u"inside.bin"), Data(0, 10));
}

}  // namespace
}  // namespace vard

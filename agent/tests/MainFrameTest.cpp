// The agent's frame as the program makes it: of the registered messages its
// windows take, only those a page's control sends pass the message filter
// for lower-integrity senders.
#include "agent/views/MainFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/AgentMode.h"
#include "agent/testing/FakeTransferJob.h"
#include "agent/testing/MemoryRegistry.h"
#include "common/handoff/AgentNames.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/platform/Environment.h"
#include "common/platform/tests/TestFolder.h"
#include "common/respack/LanguagePack.h"
#include "common/respack/LanguageStore.h"
#include "common/text/Utf.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

std::vector<std::u16string>& Filtered() {
  static std::vector<std::u16string> names;
  return names;
}
void Record(const std::u16string& name) { Filtered().push_back(name); }

TEST(MainFrame, OnlyTheMessagesPagesSendPassTheFilterAtStartup) {
  // POSIX: the windows' sockets in a runtime folder of the test's own.
  platform::testing::TestFolder runtime;
  const auto before = platform::GetEnv("XDG_RUNTIME_DIR");
  std::string os = Utf16ToUtf8(runtime.Path());
  for (char& c : os)
    if (c == '\\') c = '/';
  platform::SetEnv("XDG_RUNTIME_DIR", os.c_str());
  LoadAgentLanguageTable(u"en", PackImage);
  SetAgentMode(AgentMode::kDownload);
  testing::MemoryRegions regions;
  testing::MemoryRegistry registry;
  DownloadHandOff batch;
  batch.records.push_back(MakeDownloadRecord(u"http://h/a.bin", u"sub", u"a.bin", 10, 0));
  DownloadHandOffWriter(regions).Write(batch);
  MainViewSetup s;
  s.reader.regions = &regions;
  s.registry = &registry;
  s.iconIndex = [](const std::u16string&, uint32_t) { return 0; };
  s.documentsFolder = [] { return std::u16string(u"C:\\Docs"); };
  s.makeWorker = testing::FakeJobFactory({}, nullptr);

  Filtered().clear();
  const platform::LowerIntegrityFilter system = platform::ReplaceLowerIntegrityFilter(&Record);
  {
    platform::EventLoop loop;
    CMainFrame frame(loop, std::move(s), nullptr);
    EXPECT_TRUE(frame.Create());
    frame.Destroy();
  }
  platform::ReplaceLowerIntegrityFilter(system);
  LanguageStore::Instance().Clear();
  platform::SetEnv("XDG_RUNTIME_DIR", before ? before->c_str() : nullptr);
  EXPECT_EQ(Filtered(), std::vector<std::u16string>(kMessagesFromPages.begin(), kMessagesFromPages.end()));
}

}  // namespace
}  // namespace vard

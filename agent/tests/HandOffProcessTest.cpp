// Writer and reader in two processes through real named shared memory: the
// writer program fills the regions, this test reads them as the agent does.
#include <gtest/gtest.h>

#include <chrono>

#include "agent/HandOffReader.h"
#include "agent/tests/FakeHandOffView.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/SharedMemory.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

using platform::testing::SiblingProcess;
using testing::FakeHandOffView;

class HandOffProcess : public ::testing::Test {
 protected:
  HandOffProcess() {
    suffix_ = "_t" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000000);
    names_.suffix = AsciiToUtf16(suffix_);
  }
  ~HandOffProcess() override {
    for (const char16_t* n : {region_name::kDownloadUrlNoti, region_name::kDownloadTitle, region_name::kDownloadCookie,
                              region_name::kDownload, region_name::kUploadUrlNoti, region_name::kUploadTitle,
                              region_name::kUploadAction, region_name::kUploadPostData, region_name::kUpload,
                              u"vard_test_done"})
      platform::RemoveSharedMemoryName(names_(n));
  }
  // Starts the writer and waits until its batch is in place.
  bool StartWriter(const std::string& scenario) {
    if (!child_.Start(u"handoff_writer_child", {AsciiToUtf16(suffix_), AsciiToUtf16(scenario)})) return false;
    return child_.ReadLine() == "ready";
  }
  // Lets the writer end and checks it ended well.
  void FinishWriter() {
    Region<TextRegion> done;
    ASSERT_TRUE(done.Open(NamedRegions(), names_(u"vard_test_done")));
    done->reserved = 1;
    int exitCode = -1;
    EXPECT_TRUE(child_.Wait(30000, &exitCode));
    EXPECT_EQ(exitCode, 0);
  }
  HandOffReaderSetup ReaderSetup() {
    HandOffReaderSetup s;
    s.names = names_;
    s.saved_downloads_path = dir_ / u"kt_save.dat";
    return s;
  }

  std::string suffix_;
  HandOffNames names_;
  SiblingProcess child_;
  platform::testing::TestFolder dir_;
  FakeHandOffView view_;
  EntryList list_;
};

TEST_F(HandOffProcess, DownloadBatchOf1000ItemsArrivesAs999Entries) {
  ASSERT_TRUE(StartWriter("download"));
  DownloadHandOffReader reader(view_, list_, ReaderSetup());
  ASSERT_EQ(reader.ReadHandOff(), 1);
  EXPECT_EQ(view_.caption, u"제목 Title");
  EXPECT_EQ(view_.notification_url, u"http://127.0.0.1/noti");
  ASSERT_EQ(list_.size(), 999u);
  EXPECT_EQ(ReadField(list_[0]->path), u"a.txt");
  EXPECT_EQ(ReadField(list_[1]->path), u"a(1).txt");
  EXPECT_EQ(ReadField(list_[2]->path), u"a(2).txt");
  auto* marker = static_cast<CDownloadFile*>(list_[3].get());
  EXPECT_TRUE(marker->IsFolderMarker());
  EXPECT_EQ(ReadField(marker->folder), u"x/y");
  auto* last = static_cast<CDownloadFile*>(list_[998].get());
  EXPECT_EQ(last->url, u"http://127.0.0.1/f998");
  EXPECT_EQ(last->cookie, u"sid=abc");
  EXPECT_EQ(last->resume_by_query, 1);
  EXPECT_EQ(last->speed_limit_kb, 8);
  EXPECT_EQ(view_.job_total, 30 + 995);

  // The saved file holds every record under the name it arrived with.
  const auto saved = PendingSavedDownloads(dir_ / u"kt_save.dat");
  ASSERT_EQ(saved.size(), 999u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadField(saved[i].file_name), u"a.txt");

  // The batch was consumed: a second read adds nothing and reports no error.
  ASSERT_EQ(reader.ReadHandOff(), 1);
  EXPECT_EQ(list_.size(), 999u);
  EXPECT_TRUE(view_.messages.empty());
  FinishWriter();
}

TEST_F(HandOffProcess, CookieRegionWithoutBlockGivesEmptyCookieAndRangeResume) {
  ASSERT_TRUE(StartWriter("nocookie"));
  ASSERT_EQ(DownloadHandOffReader(view_, list_, ReaderSetup()).ReadHandOff(), 1);
  ASSERT_EQ(list_.size(), 1u);
  auto* e = static_cast<CDownloadFile*>(list_[0].get());
  EXPECT_TRUE(e->cookie.empty());
  EXPECT_EQ(e->resume_by_query, 0);
  FinishWriter();
}

TEST_F(HandOffProcess, UploadBatchKeeps99PairsAndNeverA100th) {
  ASSERT_TRUE(StartWriter("upload"));
  ASSERT_EQ(UploadHandOffReader(view_, list_, ReaderSetup()).ReadHandOff(), 1);
  ASSERT_EQ(list_.size(), 3u);
  EXPECT_EQ(view_.caption, u"업로드");
  auto* first = static_cast<CUploadFile*>(list_[0].get());
  EXPECT_EQ(first->PostPairCount(), 99);
  EXPECT_EQ(ReadField(first->pairs[98].name), u"field98");
  EXPECT_EQ(static_cast<CUploadFile*>(list_[1].get())->PostPairCount(), 2);
  EXPECT_EQ(ReadField(first->action_url), u"http://127.0.0.1/upload");
  EXPECT_EQ(first->part_size, 65536);
  EXPECT_TRUE(list_[2]->IsFolderEntry());
  EXPECT_EQ(view_.jobs_started, 1);
  FinishWriter();
}

TEST_F(HandOffProcess, UploadBatchWithoutActionAddsNothingSilently) {
  ASSERT_TRUE(StartWriter("upload-absent"));
  EXPECT_EQ(UploadHandOffReader(view_, list_, ReaderSetup()).ReadHandOff(), 0);
  EXPECT_TRUE(list_.empty());
  EXPECT_TRUE(view_.messages.empty());
  FinishWriter();
}

}  // namespace
}  // namespace vard

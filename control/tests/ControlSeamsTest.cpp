// Missing seams are visible: a control whose creator wired nothing, and the
// library's composition with its "not available yet" stand-ins, each say on
// the debug output what they dropped and report no success to the page.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/respack/LanguageStore.h"
#include "common/platform/tests/TestFolder.h"
#include "control/CKT5Ctrl.h"
#include "control/ControlComposition.h"
#include "control/DispatchIds.h"
#include "control/services/MissingServices.h"

namespace vard {
namespace {

struct RecordingSink final : IKT5CtrlEvents {
  void Invoke(int32_t id, const std::vector<Variant>&) override { events.push_back(id); }
  std::vector<int32_t> events;
};

class SeamTest : public ::testing::Test {
 protected:
  DebugSink Recorder() {
    return [this](std::u16string_view line) { lines.emplace_back(line); };
  }
  bool Logged(std::u16string_view service, std::u16string_view reason, std::u16string_view call) const {
    const std::u16string want = MissingSeamLine(service, reason, call);
    return std::find(lines.begin(), lines.end(), want) != lines.end();
  }
  bool AnyLogged(std::u16string_view part) const {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::u16string& l) { return l.find(part) != std::u16string::npos; });
  }
  Variant Call(CKT5Ctrl& c, int32_t id, std::vector<Variant> args = {}) {
    Variant out;
    EXPECT_EQ(c.Invoke(id, InvokeKind::kMethod, args, &out), kSOk) << id;
    return out;
  }

  std::vector<std::u16string> lines;
};

TEST_F(SeamTest, NothingWiredIsReportedAndAnswersNothing) {
  ControlServices none;
  none.debug = Recorder();
  CKT5Ctrl c(none);
  RecordingSink sink;
  c.Advise(&sink);
  EXPECT_TRUE(Logged(u"program title", kSeamNotWired, u"sharing the title"));
  EXPECT_TRUE(Logged(u"folders", kSeamNotWired, u"InitialDownloadFolder"));
  EXPECT_TRUE(Logged(u"folders", kSeamNotWired, u"PersonDownloadsFolder"));

  // No made-up count, no folder: the results stay unset.
  EXPECT_TRUE(Call(c, dispid::kSavedFileCount).IsEmpty());
  EXPECT_TRUE(Logged(u"saved downloads", kSeamNotWired, u"PendingCount"));
  EXPECT_TRUE(Call(c, dispid::kFolderSelect).IsEmpty());
  EXPECT_TRUE(Logged(u"folders", kSeamNotWired, u"SelectFolder"));

  // A size of 0 asks the network; the icon asks the shell.
  Call(c, dispid::kAppendFile, {Variant::String(u"http://h/a.txt")});
  EXPECT_TRUE(Logged(u"network", kSeamNotWired, u"QueryRemoteSize"));
  EXPECT_TRUE(Logged(u"shell", kSeamNotWired, u"IconIndex"));
  EXPECT_EQ(c.List().Items()[0].fileSize, 0);

  // A dialog that never ran raises no event.
  Call(c, dispid::kStartDownload);
  EXPECT_TRUE(Logged(u"download dialogs", kSeamNotWired, u"RunListDownload"));
  EXPECT_TRUE(sink.events.empty());
  Call(c, dispid::kStartPlusDownload);
  EXPECT_TRUE(Logged(u"agent hand-off", kSeamNotWired, u"HandOff"));
  EXPECT_TRUE(Logged(u"language packs", kSeamNotWired, u"LoadPack"));
  Call(c, dispid::kGetIPCount);
  EXPECT_TRUE(Logged(u"host information", kSeamNotWired, u"Ipv4Addresses"));
  Call(c, dispid::kSingleDownload, {Variant::String(u"http://h/b.txt"), Variant::String(u"b.txt"), Variant::I4(5)});
  EXPECT_TRUE(Logged(u"download dialogs", kSeamNotWired, u"AskOpenOrSave"));
  c.OnBeginDrag();
  EXPECT_TRUE(Logged(u"shell", kSeamNotWired, u"DragOut"));
}

TEST_F(SeamTest, EveryMemberStillAnswersSuccessWithNothingWired) {
  ControlServices none;
  none.debug = Recorder();
  CKT5Ctrl c(none);
  for (int32_t id = 1; id < 1000; ++id) {
    const dispid::Member* m = dispid::FindMember(id);
    if (!m) continue;
    const InvokeKind kind = m->kind == dispid::MemberKind::kMethod ? InvokeKind::kMethod : InvokeKind::kGet;
    Variant out;
    EXPECT_EQ(c.Invoke(id, kind, {}, &out), kSOk) << id;
  }
}

class CompositionTest : public SeamTest {
 protected:
  void SetUp() override { Forget(); }
  void TearDown() override { Forget(); }
  static void Forget() {
    LanguageStore::Instance().Clear();
    ProgramTitle::Process().Reset();
  }
};

TEST_F(CompositionTest, LibraryWiresEverySeam) {
  const ControlServices s = ComposeControlServices(Recorder());
  EXPECT_TRUE(s.network && s.dialogs && s.folders && s.handOff && s.savedDownloads && s.shell && s.hostInfo &&
              s.language && s.title && s.zones);
  CKT5Ctrl c(s);
  c.put_Language(u"en");
  c.AppendFile(u"http://h/a.txt", u"a.txt", int64_t{10});
  // The saved-downloads file is read for real: a count, even when there is no file.
  EXPECT_EQ(Call(c, dispid::kSavedFileCount).type, Variant::Type::kUI4);
  EXPECT_FALSE(c.get_SetFolder().empty());  // the documents folder
  EXPECT_FALSE(AnyLogged(kSeamNotWired));
  EXPECT_EQ(c.MessageCaption(), u"Alert - VardKT");  // the carried pack, the process's title
  EXPECT_EQ(ProgramTitle::Process().MessageCaption(), u"Alert - VardKT");
}

TEST_F(CompositionTest, WorkStillToBeBuiltSaysSo) {
  CKT5Ctrl c(ComposeControlServices(Recorder()));
  RecordingSink sink;
  c.Advise(&sink);
  c.AppendFile(u"http://h/a.txt", u"a.txt", int64_t{10});
  // The list download runs for real (the console's dialog): its end reaches
  // the page, here as a failure, since the host "h" is not there.
  Call(c, dispid::kStartDownload);
  EXPECT_FALSE(Logged(u"download dialogs", kSeamNotAvailableYet, u"RunListDownload"));
  EXPECT_FALSE(sink.events.empty());
  // The hand-off is real (no agent program beside the tests: nothing starts)
  // and so are the list's icons.
  Call(c, dispid::kStartPlusDownload);
  Call(c, dispid::kSavedDownload);
  EXPECT_FALSE(Logged(u"agent hand-off", kSeamNotAvailableYet, u"HandOff"));
  EXPECT_FALSE(Logged(u"shell", kSeamNotAvailableYet, u"IconIndex"));
  EXPECT_TRUE(Call(c, dispid::kFolderSelect).IsEmpty());
  EXPECT_TRUE(Logged(u"folders", kSeamNotAvailableYet, u"SelectFolder"));
  // The temporary folder is prepared for real: normalised and made.
  platform::testing::TestFolder temp;
  std::u16string given = temp.Path() + u"/one/two";
  c.put_SetTempFolder(given);
  EXPECT_FALSE(Logged(u"folders", kSeamNotAvailableYet, u"PrepareTempFolder"));
  EXPECT_EQ(c.get_SetTempFolder(), temp.Path() + u"\\one\\two");
  EXPECT_TRUE(platform::IsDirectory(temp.Path() + u"\\one\\two"));
}

TEST(ProgramTitleTest, SharedPairAndReset) {
  ProgramTitle t;
  t.SetTitle(u"Shop");
  t.TakeMessageCaption(u"Alert");
  EXPECT_EQ(t.CaptionSuffix(), u" - Shop");
  EXPECT_EQ(t.MessageCaption(), u"Alert - Shop");
  t.SetTitle(u"");
  EXPECT_EQ(t.CaptionSuffix(), u"");
  t.TakeMessageCaption(u"Alert");
  EXPECT_EQ(t.MessageCaption(), u"Alert");
  t.Reset();
  EXPECT_EQ(t.Title(), u"VardKT");
  EXPECT_EQ(t.MessageCaption(), u"");
}

}  // namespace
}  // namespace vard

#include "control/engine/SingleFileRun.h"

#include "control/engine/DialogWiring.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

struct Steps {
  SingleFileSteps Make() {
    SingleFileSteps s;
    s.exists = [this](const std::u16string& p) { return p == existing; };
    s.remoteSize = [this](const std::u16string&, bool) {
      ++sizeQueries;
      return std::optional<int64_t>(777);
    };
    s.askDuplicate = [this](const DuplicatePrompt& p) {
      prompts.push_back(p);
      return answer;
    };
    s.existingSize = [](const std::u16string&) { return int64_t{5}; };
    return s;
  }
  std::u16string existing = u"C:\\d\\a.zip";
  int sizeQueries = 0;
  std::vector<DuplicatePrompt> prompts;
  DuplicateAnswer answer;
};

TEST(SingleFileTarget, WithoutFullPathsTheFileGoesToTheTemporaryFolder) {
  ControlSettings settings;
  settings.tempFolder = u"";
  Steps steps;
  SingleFile file{u"http://h/dir/report.pdf", u"", 0};
  const auto target = SingleFileTarget(settings, file, steps.Make());
  ASSERT_TRUE(target);
  EXPECT_NE(target->find(u"report.pdf"), std::u16string::npos);
  EXPECT_EQ(steps.prompts.size(), 0u);
  file.fileName = u"sub\\given.txt";
  EXPECT_EQ(platform::LastPathComponent(*SingleFileTarget(settings, file, steps.Make())), u"given.txt");
}

TEST(SingleFileTarget, AnExistingFullPathIsAskedAboutUnlessOverwriteIsOn) {
  ControlSettings settings;
  settings.dialog.useFullPath = true;
  Steps steps;
  SingleFile missing{u"http://h/a.zip", u"C:\\d\\new.zip", 0};
  EXPECT_EQ(SingleFileTarget(settings, missing, steps.Make()), u"C:\\d\\new.zip");
  EXPECT_EQ(steps.sizeQueries, 1);  // a size of 0 is always asked
  EXPECT_EQ(missing.fileSize, 777);
  EXPECT_FALSE(missing.sizeUnknown);

  // Overwrite on: no question, the size is still learnt.
  steps.sizeQueries = 0;
  SingleFile file{u"http://h/a.zip", steps.existing, 0};
  EXPECT_EQ(SingleFileTarget(settings, file, steps.Make()), steps.existing);
  EXPECT_EQ(file.fileSize, 777);
  EXPECT_TRUE(steps.prompts.empty());

  settings.openFileOverwrite = false;
  SingleFile asked{u"http://h/a.zip", steps.existing, 10};
  EXPECT_EQ(SingleFileTarget(settings, asked, steps.Make()), std::nullopt);  // cancelled
  ASSERT_EQ(steps.prompts.size(), 1u);
  EXPECT_FALSE(steps.prompts[0].question.allowResume);
  EXPECT_TRUE(steps.prompts[0].question.singleMode);
  EXPECT_EQ(steps.prompts[0].question.newSize, 10);
  EXPECT_EQ(steps.prompts[0].existingSize, 5);

  steps.answer.code = existing_file::kSaveAs;
  steps.answer.newPath = u"C:\\d\\other.zip";
  EXPECT_EQ(SingleFileTarget(settings, asked, steps.Make()), u"C:\\d\\other.zip");
  steps.answer.code = existing_file::kOverwrite;
  EXPECT_EQ(SingleFileTarget(settings, asked, steps.Make()), steps.existing);
}

// An untrusted page's full path is a name below the download folder, and
// its existing file is asked about whatever OpenFileOverwrite says.
TEST(SingleFileTarget, AnUntrustedPagesFullPathStaysInTheDownloadFolder) {
  ControlSettings settings;
  settings.dialog.useFullPath = true;
  settings.dialog.pageTrusted = false;
  settings.dialog.downloadFolder = u"C:\\d";
  Steps steps;
  for (const char16_t* outside : {u"C:\\Users\\u\\.profile", u"\\home\\u\\.bashrc", u"..\\x", u"a:b", u""}) {
    SingleFile file{u"http://h/a.zip", outside, 10};
    EXPECT_EQ(SingleFileTarget(settings, file, steps.Make()), std::nullopt);
  }
  SingleFile inside{u"http://h/a.zip", u"a.zip", 10};
  EXPECT_EQ(SingleFileTarget(settings, inside, steps.Make()), std::nullopt);  // exists: asked, cancelled
  ASSERT_EQ(steps.prompts.size(), 1u);
  EXPECT_EQ(steps.prompts[0].question.path, u"C:\\d\\a.zip");
  SingleFile fresh{u"http://h/a.zip", u"sub/new.zip", 10};
  EXPECT_EQ(SingleFileTarget(settings, fresh, steps.Make()), u"C:\\d\\sub/new.zip");
  EXPECT_FALSE(SingleFileDialogConfig(settings, u"", u"").options.overwriteAll);
  // The person's Save As is theirs to name, whatever the page.
  settings.dialog.personChose = true;
  SingleFile saveAs{u"http://h/a.zip", u"E:\\mine\\a.zip", 10};
  EXPECT_EQ(SingleFileTarget(settings, saveAs, steps.Make()), u"E:\\mine\\a.zip");
  EXPECT_FALSE(SingleFileDialogConfig(settings, u"", u"").options.overwriteAll);
  settings.dialog.pageTrusted = true;
  EXPECT_TRUE(SingleFileDialogConfig(settings, u"", u"").options.overwriteAll);
}

// Without full paths an untrusted page's file goes below the download
// folder (asked about when it exists), not to the temporary folder, and its
// dialog shows whatever ShowFileOpen says.
TEST(SingleFileTarget, AnUntrustedPagesFileIsSavedWhereThePersonFindsIt) {
  ControlSettings settings;
  settings.dialog.pageTrusted = false;
  settings.dialog.downloadFolder = u"C:\\d";
  settings.showFileOpen = false;
  Steps steps;
  steps.existing = u"C:\\d\\a.zip";
  SingleFile named{u"http://h/a.zip", u"..\\..\\a.zip", 10};
  EXPECT_EQ(SingleFileTarget(settings, named, steps.Make()), std::nullopt);  // exists: asked, cancelled
  ASSERT_EQ(steps.prompts.size(), 1u);
  SingleFile dotted{u"http://h/a.zip", u".bashrc", 10};
  EXPECT_EQ(SingleFileTarget(settings, dotted, steps.Make()), std::nullopt);
  SingleFile fresh{u"http://h/report.pdf", u"", 10};
  const auto target = SingleFileTarget(settings, fresh, steps.Make());
  EXPECT_EQ(target, u"C:\\d\\report.pdf");

  const DownloadDialogConfig c = SingleFileDialogConfig(settings, u"", *target);
  EXPECT_TRUE(c.show);
  EXPECT_TRUE(c.options.untrustedPage);
  EXPECT_EQ(c.options.downloadFolder, u"C:\\d");
  // A Save As elsewhere is the person's own choice: no link check there.
  EXPECT_FALSE(SingleFileDialogConfig(settings, u"", u"E:\\mine\\a.zip").options.untrustedPage);
  settings.dialog.pageTrusted = true;
  EXPECT_FALSE(SingleFileDialogConfig(settings, u"", *target).show);
  EXPECT_FALSE(SingleFileDialogConfig(settings, u"", *target).options.untrustedPage);
}

TEST(ListDialogConfig, AnUntrustedPageGetsNeitherFullPathsNorResumesWithoutAQuestion) {
  DownloadDialogState state;
  state.useFullPath = state.fixResume = true;
  EXPECT_TRUE(ListDialogConfig(state).options.useFullPath);
  EXPECT_TRUE(ListDialogConfig(state).options.alwaysResume);
  state.pageTrusted = false;
  EXPECT_FALSE(ListDialogConfig(state).options.useFullPath);
  EXPECT_FALSE(ListDialogConfig(state).options.alwaysResume);
  EXPECT_TRUE(ListDialogConfig(state).autoStart);  // the run still starts by itself
}

// A run the person started (a drop) takes their full paths; the page's
// own trust still decides what it alone asks for, and whether the folder
// is kept and names are held to an untrusted page's rules.
TEST(ListDialogConfig, ThePersonsChoiceIsNotThePagesTrust) {
  struct Case {
    bool trusted, personChose;
    bool fullPaths, resumesUnasked, untrustedNames, storesFolder;
  };
  const Case cases[] = {
      {true, false, true, true, false, true},
      {true, true, true, true, false, true},
      {false, true, true, false, true, false},
      {false, false, false, false, true, false},
  };
  for (const Case& c : cases) {
    DownloadDialogState state;
    state.useFullPath = state.fixResume = true;
    state.pageTrusted = c.trusted;
    state.personChose = c.personChose;
    const DownloadDialogConfig config = ListDialogConfig(state);
    EXPECT_EQ(config.options.useFullPath, c.fullPaths) << c.trusted << c.personChose;
    EXPECT_EQ(config.options.alwaysResume, c.resumesUnasked) << c.trusted << c.personChose;
    EXPECT_EQ(config.options.untrustedPage, c.untrustedNames) << c.trusted << c.personChose;
    EXPECT_EQ(config.storeFolder, c.storesFolder) << c.trusted << c.personChose;
  }
}

// Every single-file path asks a size of 0 once; a size nobody knows (or 0)
// is fetched to the end of its body instead of making an empty file.
TEST(SingleFileTarget, ASizeOfZeroIsAskedAndWhatNobodyKnowsIsFetched) {
  ControlSettings settings;
  settings.tempFolder = u"";
  Steps steps;
  std::optional<int64_t> answer;
  SingleFileSteps s = steps.Make();
  s.remoteSize = [&](const std::u16string&, bool) {
    ++steps.sizeQueries;
    return answer;
  };
  for (const std::optional<int64_t> given : {std::optional<int64_t>(), std::optional<int64_t>(0)}) {
    answer = given;
    SingleFile file{u"http://h/r.pdf", u"", 0};
    ASSERT_TRUE(SingleFileTarget(settings, file, s));
    EXPECT_TRUE(file.sizeUnknown);
    const DownloadItem item = SingleFileItem(file, u"C:\\t\\r.pdf");
    EXPECT_TRUE(item.sizeUnknown);
    EXPECT_EQ(item.fileSize, 0);
  }
  EXPECT_EQ(steps.sizeQueries, 2);
  // A size the page gave, or one already asked (SingleDownload), is not asked again.
  SingleFile given{u"http://h/r.pdf", u"", 12};
  SingleFile asked{u"http://h/r.pdf", u"", 0, true};
  SingleFileTarget(settings, given, s);
  SingleFileTarget(settings, asked, s);
  EXPECT_EQ(steps.sizeQueries, 2);
  EXPECT_FALSE(SingleFileItem(given, u"C:\\t\\r.pdf").sizeUnknown);
}

TEST(SingleFileDialogConfig, TakesTheControlsSwitchesAndPresetsOverwrite) {
  ControlSettings settings;
  settings.useUnicode = true;
  settings.dialog.limitRate = 50;  // not the single dialog's
  settings.openFileOverwrite = false;
  DownloadDialogConfig c = SingleFileDialogConfig(settings, u"Shop", u"");
  EXPECT_TRUE(c.options.useFullPath);
  EXPECT_TRUE(c.options.singleMode);
  EXPECT_TRUE(c.options.utf8Urls);
  EXPECT_FALSE(c.options.overwriteAll);
  EXPECT_EQ(c.options.limitRateKB, 0u);
  EXPECT_EQ(c.titleSuffix, u" - Shop");
  EXPECT_EQ(SingleFileDialogConfig(settings, u"", u"").titleSuffix, u"");
}

}  // namespace
}  // namespace vard

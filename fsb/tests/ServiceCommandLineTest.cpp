// vardfsb's command line and the lines it prints.
#include <gtest/gtest.h>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/text/Utf.h"
#include "fsb/ServiceCommandLine.h"
#include "fsb/ServiceTexts.h"

namespace vard::fsb {
namespace {

using Action = ServiceCommand::Action;

ServiceCommand Parse(std::vector<std::string> args) { return ParseServiceCommandLine(args); }

TEST(ServiceCommandLine, WordsAreCaseBlindAfterEitherMark) {
  EXPECT_EQ(Parse({"-INSTALL"}).mode, ServiceMode::kInstall);
  EXPECT_EQ(Parse({"/install"}).mode, ServiceMode::kInstall);
  EXPECT_EQ(Parse({"/UnInstall"}).mode, ServiceMode::kUninstall);
  EXPECT_EQ(Parse({"-Start"}).mode, ServiceMode::kStart);
  EXPECT_EQ(Parse({"/STOP"}).mode, ServiceMode::kStop);
  std::string guid = Utf16ToUtf8(kConsoleModeGuid);
  for (char& c : guid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(Parse({"-" + guid}).mode, ServiceMode::kConsole);
  EXPECT_EQ(Parse({}).mode, ServiceMode::kNone);
  EXPECT_EQ(Parse({}).action, Action::kRun);
}

TEST(ServiceCommandLine, TheSmallestModeWinsWhateverTheOrder) {
  EXPECT_EQ(Parse({"-install", "-uninstall"}).mode, ServiceMode::kUninstall);
  EXPECT_EQ(Parse({"-uninstall", "-install"}).mode, ServiceMode::kUninstall);
  EXPECT_EQ(Parse({"-start", "-stop"}).mode, ServiceMode::kStop);
  EXPECT_EQ(Parse({"-start", "-install", "-stop"}).mode, ServiceMode::kInstall);
}

TEST(ServiceCommandLine, AnythingElseIsInvalidAndNamed) {
  for (const char* bad : {"-", "/", "install", "-installs", "--install", "-bogus", ""}) {
    const ServiceCommand c = Parse({"-install", bad, "-start"});
    EXPECT_EQ(c.action, Action::kInvalid) << bad;
    EXPECT_EQ(c.invalidArgument, bad);
  }
  EXPECT_EQ(InvalidValueLine("-bogus"), "Invalid Value: -bogus\n");
}

TEST(ServiceCommandLine, HelpEndsTheLineWhereItStands) {
  EXPECT_EQ(Parse({"-?"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"/HELP", "-bogus"}).action, Action::kHelp);
  // What came before is still judged first.
  EXPECT_EQ(Parse({"-bogus", "-help"}).action, Action::kInvalid);
}

TEST(ServiceTexts, ResultLinesNameTheServiceAndTheOutcome) {
  EXPECT_EQ(ResultLine("Install", u"Vardfsb", 0), "Install: [Vardfsb] Success\n");
  const std::string failed = ResultLine("Start", u"Vardfsb", 1060);
  EXPECT_EQ(failed.rfind("Start: [Vardfsb] ", 0), 0u);
  EXPECT_GT(failed.size(), std::string("Start: [Vardfsb] \n").size()) << "the system's text is missing";
  EXPECT_EQ(failed.back(), '\n');
}

TEST(ServiceTexts, HelpListsEveryOptionInOrder) {
  const std::string help = HelpText();
  size_t at = 0;
  for (const char* option : {"-help, -?: ", "-install: ", "-uninstall: ", "-start: ", "-stop: "}) {
    const size_t found = help.find(option, at);
    ASSERT_NE(found, std::string::npos) << option;
    at = found;
  }
}

}  // namespace
}  // namespace vard::fsb

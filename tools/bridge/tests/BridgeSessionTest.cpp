#include "tools/bridge/BridgeSession.h"

#include <gtest/gtest.h>

#include "control/tests/FakeControlServices.h"
#include "tools/bridge/Framing.h"

namespace vard::bridge {
namespace {

class BridgeSessionTest : public ::testing::Test {
 protected:
  BridgeSessionTest()
      : session_([this] { return fakes_.Wire(); }, [this](const std::string& text) { sent_.push_back(text); }) {}

  // Handles `text` and returns what was sent meanwhile.
  std::vector<std::string> Send(const std::string& text) {
    sent_.clear();
    session_.Handle(text);
    return sent_;
  }
  std::string One(const std::string& text) {
    const auto out = Send(text);
    EXPECT_EQ(out.size(), 1u) << text;
    return out.empty() ? std::string() : out.back();
  }
  void Create(const std::string& page = "http://127.0.0.1:8080/shop/") {
    One(R"({"id":0,"op":"create","params":{"Language":"ko"},"page":")" + page + R"("})");
  }

  fakes::FakeControlServices fakes_;
  std::vector<std::string> sent_;
  BridgeSession session_;
};

TEST_F(BridgeSessionTest, CreatesOneControlWithItsParamsAndThePagesTrust) {
  fakes_.zones->zone = platform::UrlZone::kLocalMachine;
  EXPECT_EQ(One(R"({"id":1,"op":"create","params":{"ProgramTitle":"Shop","limitrate":5},"page":"http://127.0.0.1/"})"),
            R"({"id":1,"result":{"trusted":true}})");
  EXPECT_EQ(One(R"({"id":2,"op":"get","name":"LimitRate"})"), R"({"id":2,"result":5})");
  EXPECT_EQ(session_.Control()->PageUrl(), u"http://127.0.0.1/");
  EXPECT_EQ(One(R"({"id":3,"op":"create","page":"http://127.0.0.1/"})").find(R"("id":3,"error")"), 1u);
}

TEST_F(BridgeSessionTest, MembersAnswerInTurnAndEventsArePushed) {
  Create();
  EXPECT_EQ(One(R"({"id":"a","op":"call","name":"AppendFile","args":["/d/1","보고서.pdf"]})"), R"({"id":"a","result":null})");
  EXPECT_EQ(One(R"({"id":2,"op":"call","name":"GetFileName","args":[0]})"), R"({"id":2,"result":"보고서.pdf"})");
  EXPECT_EQ(One(R"({"id":3,"op":"put","name":"UseResume","args":[true]})"), R"({"id":3,"result":null})");
  EXPECT_EQ(One(R"({"id":4,"op":"get","name":"UseResume"})"), R"({"id":4,"result":true})");
  fakes_.dialogs->endCode = 1;
  const auto out = Send(R"({"id":5,"op":"call","name":"StartDownload"})");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], R"({"event":"OnDownloadComplete","args":[]})");
  EXPECT_EQ(out[1], R"({"id":5,"result":null})");
  session_.Progress("보고서.pdf 50%");
  EXPECT_EQ(sent_.back(), R"({"event":"Progress","args":["보고서.pdf 50%"]})");
}

TEST_F(BridgeSessionTest, EveryBadMessageGetsOneErrorAndChangesNothing) {
  EXPECT_EQ(One(R"({"id":1,"op":"get","name":"GetCount"})"),
            R"({"id":1,"error":{"code":2147549183,"message":"create the control first"}})");
  EXPECT_NE(One(R"({"id":1,"op":"create","params":{}})").find("needs the page"), std::string::npos);
  EXPECT_NE(One(R"({"id":1,"op":"create","page":"http://x/","params":{"a":[1]}})").find("2147614725"),
            std::string::npos);  // a PARAM that is not a plain value
  Create();
  for (const char* bad : {"", "{", "[1]", "\"x\"", R"({"id":[1],"op":"get"})"})
    EXPECT_EQ(One(bad).rfind(R"({"id":null,"error":{"code":2147942487,)", 0), 0u) << bad;
  EXPECT_NE(One(R"({"id":9})").find(R"("id":9,"error")"), std::string::npos);
  EXPECT_NE(One(R"({"id":9,"op":"run"})").find("no op run"), std::string::npos);
  EXPECT_NE(One(R"({"id":9,"op":"get","name":"Nope"})").find("2147614726"), std::string::npos);
  EXPECT_NE(One(R"({"id":9,"op":"put","name":"UseResume","args":[]})").find("2147614734"), std::string::npos);
  EXPECT_NE(One(R"({"id":9,"op":"put","name":"UseResume"})").find("2147614734"), std::string::npos);
  EXPECT_EQ(One(R"({"id":9,"op":"get","name":"GetCount"})"), R"({"id":9,"result":0})");
}

TEST_F(BridgeSessionTest, AnUntrustedPageKeepsItsDownloadFolder) {
  fakes_.zones->zone = platform::UrlZone::kInternet;
  EXPECT_EQ(One(R"({"id":1,"op":"create","params":{"SetFolder":"/etc"},"page":"https://evil.example/"})"),
            R"({"id":1,"result":{"trusted":false}})");
  One(R"({"id":2,"op":"put","name":"SetFolder","args":["/home/u/.config/autostart"]})");
  EXPECT_EQ(One(R"({"id":3,"op":"get","name":"SetFolder"})"), R"({"id":3,"result":"C:\\Docs"})");
}

TEST_F(BridgeSessionTest, AnAnswerTooLongForAMessageBecomesAnError) {
  Create();
  const std::string big(kMaxFrame, 'x');
  One(R"({"id":1,"op":"put","name":"URLDownloadComplete","args":[")" + big + R"("]})");
  const std::string answer = One(R"({"id":2,"op":"get","name":"URLDownloadComplete"})");
  EXPECT_LT(answer.size(), 200u);
  EXPECT_NE(answer.find(R"("id":2,"error":{"code":2147942414)"), std::string::npos);
}

}  // namespace
}  // namespace vard::bridge

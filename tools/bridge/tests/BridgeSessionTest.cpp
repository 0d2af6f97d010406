#include "tools/bridge/BridgeSession.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "control/tests/FakeControlServices.h"
#include "tools/bridge/Framing.h"

namespace vard::bridge {
namespace {

class BridgeSessionTest : public ::testing::Test {
 protected:
  BridgeSessionTest()
      : session_(
            [this] {
              if (failServices_) throw std::runtime_error("no services today");
              return fakes_.Wire();
            },
            [this](const std::string& text) {
              EXPECT_LE(text.size(), kMaxFrame);
              sent_.push_back(text);
            }) {}

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
  void Create(const std::string& page = "http://127.0.0.1:8080/shop/", const std::string& origin = "http://127.0.0.1:8080") {
    One(R"({"id":0,"op":"create","params":{"Language":"ko"},"page":")" + page + R"(","origin":")" + origin + R"("})");
  }

  fakes::FakeControlServices fakes_;
  std::vector<std::string> sent_;
  bool failServices_ = false;
  BridgeSession session_;
};

TEST_F(BridgeSessionTest, CreatesOneControlWithItsParamsAndThePagesTrust) {
  fakes_.zones->zone = platform::UrlZone::kLocalMachine;
  EXPECT_EQ(One(R"({"id":1,"op":"create","params":{"ProgramTitle":"Shop","limitrate":5},"page":"http://127.0.0.1/",)"
                R"("origin":"http://127.0.0.1"})"),
            R"({"id":1,"result":{"trusted":true}})");
  EXPECT_EQ(One(R"({"id":2,"op":"get","name":"LimitRate"})"), R"({"id":2,"result":5})");
  EXPECT_EQ(session_.Control()->PageUrl(), u"http://127.0.0.1/");
  EXPECT_EQ(One(R"({"id":3,"op":"create","page":"http://127.0.0.1/","origin":"http://127.0.0.1"})").find(R"("id":3,"error")"),
            1u);
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
  EXPECT_NE(One(R"({"id":1,"op":"create","page":"http://x/","origin":"http://x","params":{"a":[1]}})").find("2147614725"),
            std::string::npos);  // a PARAM that is not a plain value
  Create();
  for (const char* bad : {"", "{", "[1]", "\"x\"", R"({"id":[1],"op":"get"})", R"({"id":1,"op":"get","op":"put"})"})
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
  EXPECT_EQ(One(R"({"id":1,"op":"create","params":{"SetFolder":"/etc"},"page":"https://evil.example/",)"
                R"("origin":"https://evil.example"})"),
            R"({"id":1,"result":{"trusted":false}})");
  One(R"({"id":2,"op":"put","name":"SetFolder","args":["/home/u/.config/autostart"]})");
  // Neither the page's folder nor the stored one: the person's own download folder.
  EXPECT_EQ(One(R"({"id":3,"op":"get","name":"SetFolder"})"),
            R"({"id":3,"result":"C:\\Users\\u\\Downloads"})");
}

// Without an address the control would take no page at all, which it
// trusts: a create must carry the frame's URL and the origin the browser
// gave it, and a refused one makes nothing.
TEST_F(BridgeSessionTest, ACreateNeedsThePagesAddressAndOrigin) {
  fakes_.zones->zone = platform::UrlZone::kLocalMachine;
  const std::string noPage = "create needs the page's absolute URL";
  for (const char* page : {R"()", R"(,"page":"")", R"(,"page":null)", R"(,"page":7)", R"(,"page":"/shop/a.html")",
                           R"(,"page":"127.0.0.1/shop")", R"(,"page":":x")", R"(,"page":"1http://h/")",
                           R"(,"page":"http:")", R"(,"page":"http://h/a b")", R"(,"page":"http://h/\n")"}) {
    const std::string answer = One(R"({"id":1,"op":"create","origin":"http://127.0.0.1")" + std::string(page) + "}");
    EXPECT_EQ(answer, R"({"id":1,"error":{"code":2147942487,"message":")" + noPage + R"("}})") << page;
  }
  for (const char* origin : {R"()", R"(,"origin":"")", R"(,"origin":null)", R"(,"origin":["null"])"})
    EXPECT_NE(One(R"({"id":2,"op":"create","page":"http://127.0.0.1/")" + std::string(origin) + "}")
                  .find(R"("id":2,"error":{"code":2147942487,"message":"create needs the origin)"),
              std::string::npos)
        << origin;
  EXPECT_EQ(session_.Control(), nullptr);
  EXPECT_NE(One(R"({"id":3,"op":"get","name":"GetCount"})").find("create the control first"), std::string::npos);
  // Any scheme names a page: frames the browser made inherit their origin.
  EXPECT_EQ(One(R"({"id":4,"op":"create","page":"about:srcdoc","origin":"http://127.0.0.1:8080"})"),
            R"({"id":4,"result":{"trusted":true}})");
}

// A document served with a sandbox policy has an opaque origin: judged by
// it, never by the trusted host in its URL, which still resolves its links.
TEST_F(BridgeSessionTest, AnOpaqueOriginIsUntrustedWhateverItsUrl) {
  fakes_.zones->zone = platform::UrlZone::kLocalMachine;
  EXPECT_EQ(One(R"({"id":1,"op":"create","params":{"SetFolder":"/etc"},)"
                R"("page":"http://127.0.0.1:8080/shop/sandboxed.html","origin":"null"})"),
            R"({"id":1,"result":{"trusted":false}})");
  EXPECT_EQ(session_.Control()->PageUrl(), u"http://127.0.0.1:8080/shop/sandboxed.html");
  EXPECT_EQ(One(R"({"id":2,"op":"get","name":"SetFolder"})"), R"({"id":2,"result":"C:\\Users\\u\\Downloads"})");
  // Its links resolve, and its files are marked, as the frame's URL says;
  // their zone is the Internet's at least.
  Send(R"({"id":3,"op":"call","name":"DownloadAndOpen","args":["files/a.bin","a.bin",10]})");
  ASSERT_EQ(fakes_.dialogs->singleRuns.size(), 1u);
  EXPECT_EQ(fakes_.dialogs->singleRuns[0].file.url, u"http://127.0.0.1:8080/shop/files/a.bin");
  One(R"({"id":4,"op":"call","name":"AppendFile","args":["files/b.bin","b.bin"]})");
  Send(R"({"id":5,"op":"call","name":"StartDownload"})");
  EXPECT_EQ(fakes_.dialogs->stateDuringRun.pageUrl, u"http://127.0.0.1:8080/shop/sandboxed.html");
  EXPECT_EQ(fakes_.dialogs->stateDuringRun.pageZone, platform::UrlZone::kInternet);
}

TEST_F(BridgeSessionTest, AnAnswerTooLongForAMessageBecomesAnError) {
  Create();
  const std::string big(kMaxFrame, 'x');
  One(R"({"id":1,"op":"put","name":"URLDownloadComplete","args":[")" + big + R"("]})");
  const std::string answer = One(R"({"id":2,"op":"get","name":"URLDownloadComplete"})");
  EXPECT_LT(answer.size(), 200u);
  EXPECT_NE(answer.find(R"("id":2,"error":{"code":2147942414)"), std::string::npos);
}

TEST_F(BridgeSessionTest, ErrorsThatQuoteAHugeInputStayShort) {
  Create();
  const std::string huge(kMaxFrame - 100, 'x');
  for (const std::string& message : {R"({"id":1,"op":"get","name":")" + huge + R"("})",
                                     R"({"id":1,"op":")" + huge + R"("})",
                                     R"({"id":1,"op":"create","page":"p","params":{")" + huge + R"(":[]}})"}) {
    const std::string answer = One(message);
    EXPECT_LT(answer.size(), 2000u);
    EXPECT_EQ(answer.rfind(R"({"id":1,"error":)", 0), 0u) << answer.substr(0, 100);
  }
  // A name of control characters writes six bytes for each it read.
  std::string escaped;
  while (escaped.size() < kMaxFrame - 100) escaped += "\\u0001";
  EXPECT_LT(One(R"({"id":1,"op":"get","name":")" + escaped + R"("})").size(), 8000u);
  // An id too long to echo: the page is still told.
  const std::string id(kMaxFrame - 30, 'x');
  EXPECT_EQ(One(R"({"op":"no","id":")" + id + R"("})").rfind(R"({"id":null,"error":{"code":2147942487,)", 0), 0u);
  EXPECT_EQ(One(R"({"id":9,"op":"get","name":"GetCount"})"), R"({"id":9,"result":0})");
}

TEST_F(BridgeSessionTest, HugeAndDeepMessagesAreRefusedAndTheSessionGoesOn) {
  Create();
  std::string deep = R"({"id":1,"op":"put","name":"SetFolder","args":[)";
  while (deep.size() < kMaxFrame) deep += '[';
  std::string wide = R"({"id":2,"op":"put","name":"SetFolder","args":[{)";
  for (int i = 0; wide.size() < kMaxFrame - 20; ++i) wide += "\"" + std::to_string(i) + "\":0,";
  wide += R"("end":0}]})";
  for (const std::string& bad : {deep, wide}) {
    const std::string answer = One(bad);
    EXPECT_EQ(answer.rfind(R"({"id":null,"error":{"code":2147942487,)", 0), 0u) << answer;
  }
  EXPECT_NE(One(deep.substr(0, 200)).find("not a JSON message"), std::string::npos);
  EXPECT_EQ(One(R"({"id":3,"op":"get","name":"GetCount"})"), R"({"id":3,"result":0})");
}

TEST_F(BridgeSessionTest, ParamsAreReadInAnyCaseTheFirstOfEachNameCounting) {
  std::string params;
  for (int i = 0; i < 60000; ++i) params += "\"p" + std::to_string(i) + "\":" + std::to_string(i) + ",";
  EXPECT_EQ(One(R"({"id":1,"op":"create","page":"http://127.0.0.1/","origin":"http://127.0.0.1","params":{)" + params +
                R"("LIMITRATE":5,"LimitRate":7,"programtitle":"Shop"}})"),
            R"({"id":1,"result":{"trusted":true}})");
  EXPECT_EQ(One(R"({"id":2,"op":"get","name":"LimitRate"})"), R"({"id":2,"result":5})");
  EXPECT_EQ(One(R"({"id":3,"op":"get","name":"ProgramTitle"})"), R"({"id":3,"result":"Shop"})");
}

TEST_F(BridgeSessionTest, AMessageThatThrowsFailsAloneWithItsId) {
  failServices_ = true;
  const std::string answer = One(R"({"id":7,"op":"create","page":"http://127.0.0.1/","origin":"http://127.0.0.1"})");
  EXPECT_EQ(answer.rfind(R"({"id":7,"error":{"code":2147549183,)", 0), 0u) << answer;
  EXPECT_NE(answer.find("no services today"), std::string::npos);
  failServices_ = false;
  EXPECT_EQ(One(R"({"id":8,"op":"create","page":"http://127.0.0.1/","origin":"http://127.0.0.1"})"), R"({"id":8,"result":{"trusted":true}})");
}

}  // namespace
}  // namespace vard::bridge

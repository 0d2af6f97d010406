// The upload store of the test server, fed with bodies written by hand: the
// store is what the upload tests trust, so it must read bodies exactly.
#include <gtest/gtest.h>
#include <httplib.h>

#include "common/http/testing/TestServer.h"
#include "common/http/testing/UploadStore.h"

namespace vard::http_testing {
namespace {

const std::string kType = "multipart/form-data; boundary=---------------------------abcdefghAMW5";
const std::string kDelimiter = "-----------------------------abcdefghAMW5";

std::string Field(const std::string& name, const std::string& value) {
  return kDelimiter + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

// A part request as the agent writes it: the file section first.
std::string PartBody(const std::string& data, int part, const std::string& resume, const std::string& name = "f.bin") {
  return kDelimiter + "\r\nContent-Disposition: form-data; name=\"_file\"; filename=\"C:\\dir\\f.bin\"\r\n" +
         "Content-Type: image/png\r\n\r\n" + data + "\r\n" + Field("_action", "attachFile") +
         Field("_partno", std::to_string(part)) + Field("_resume", resume) + Field("_filename", name) +
         Field("_filesize", "0") + Field("_folder", "up") + kDelimiter + "--\r\n";
}

std::string AskBody(const std::string& name, const std::string& extra = "") {
  return Field("_action", "getFileInfo") + Field("_filesize", "9") + Field("_folder", "up") +
         Field("_filename", name) + extra + kDelimiter + "--\r\n";
}

class UploadStoreTest : public ::testing::Test {
 protected:
  // Posts a hand-written body to a store of the real server; the answer.
  httplib::Result Post(const std::string& body, const std::string& query = "") {
    return client.Post(("/upload/" + store + query).c_str(), body, kType.c_str());
  }
  std::vector<UploadRecord> Records() {
    std::vector<UploadRecord> out;
    const auto log = client.Get(("/_upload/" + store + "/log").c_str());
    std::string text = log->body;
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t end = text.find('\n', pos);
      out.push_back(UploadRecord::FromLine(text.substr(pos, end - pos)));
      pos = end + 1;
    }
    return out;
  }
  std::string File(const std::string& key) {
    return client.Get(("/_upload/" + store + "/file?name=" + key).c_str())->body;
  }

  TestServer server;
  httplib::Client client{"127.0.0.1", server.DirectPort()};
  std::string store = "s";
};

TEST_F(UploadStoreTest, ReadsTheFileSectionAndTheFieldsOfAHandWrittenPart) {
  // Data that looks like multipart text must come through untouched.
  const std::string data = "line\r\n--not the boundary\r\n\r\n" + std::string(3, '\0') + "end";
  auto r = Post(PartBody(data, 0, "n"), "");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  const UploadRecord& rec = records[0];
  EXPECT_TRUE(rec.wellFormed);
  EXPECT_TRUE(rec.hasFile);
  EXPECT_TRUE(rec.fileFirst);
  EXPECT_EQ(rec.fileName, "C:\\dir\\f.bin");
  EXPECT_EQ(rec.contentType, "image/png");
  EXPECT_EQ(rec.dataLength, data.size());
  EXPECT_EQ(rec.Field("_partno"), "0");
  EXPECT_EQ(rec.Field("_folder"), "up");
  EXPECT_EQ(File("up/f.bin"), data);
}

TEST_F(UploadStoreTest, PartsAssembleResumeAndReplaceARepeatedNumber) {
  ASSERT_TRUE(Post(PartBody("AAAA", 0, "n")));
  ASSERT_TRUE(Post(PartBody("BBBB", 1, "n")));
  ASSERT_TRUE(Post(PartBody("bbb", 1, "n")));  // part 1 again: replaces it
  ASSERT_TRUE(Post(PartBody("CC", 2, "n")));
  EXPECT_EQ(File("up/f.bin"), "AAAAbbbCC");
  ASSERT_TRUE(Post(PartBody("DD", 0, "y")));  // a continued upload
  EXPECT_EQ(File("up/f.bin"), "AAAAbbbCCDD");
  ASSERT_TRUE(Post(PartBody("E", 0, "n")));   // a new one
  EXPECT_EQ(File("up/f.bin"), "E");
}

TEST_F(UploadStoreTest, AnswersQuestionsFromWhatItHolds) {
  EXPECT_EQ(Post(AskBody("new.bin"))->body, "AskRename=no;FileName=new.bin;FileSize=0;FileTime=0;ParentDisplayNameChain=up;");
  client.Get(("/_upload/" + store + "/hold?name=up/h.bin&size=1000&time=86400").c_str());
  EXPECT_EQ(Post(AskBody("h.bin"))->body, "AskRename=yes;FileName=h.bin;FileSize=1000;FileTime=86400;ParentDisplayNameChain=up;");
  EXPECT_EQ(Post(AskBody("h.bin", Field("_autorename", "yes")))->body,
            "AskRename=no;FileName=h(1).bin;FileSize=0;FileTime=0;ParentDisplayNameChain=up;");
  EXPECT_EQ(Post(AskBody("x.bin", Field("_newname", "h.bin")))->body,
            "AskRename=no;FileName=h.bin;FileSize=1000;FileTime=86400;ParentDisplayNameChain=up;");
  Post(AskBody("sub", Field("_isfolder", "yes")));
  EXPECT_EQ(client.Get(("/_upload/" + store + "/folder?name=up/sub").c_str())->body, "yes");
  EXPECT_EQ(Post(AskBody("h.bin"), "?answer=raw")->body, "raw");
}

TEST_F(UploadStoreTest, FailsCutsAndRejectsOnDemand) {
  auto refused = Post(PartBody("AAAA", 0, "n"), "?fail=1:503");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  EXPECT_EQ(File("up/f.bin"), "status 404");  // nothing stored
  // A cut request gets no answer at all.
  EXPECT_FALSE(Post(PartBody(std::string(100000, 'x'), 0, "n"), "?cut=2:500"));
  // Not a multipart body.
  auto bad = Post(PartBody("A", 0, "n").substr(5));
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->status, 400);
  const auto records = Records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].status, 0);
  EXPECT_EQ(records[1].dataLength, 500u);
  EXPECT_FALSE(records[2].wellFormed);
}

TEST(UploadRecordTest, ALineReadsBackAsTheRecord) {
  UploadRecord r;
  r.number = 7;
  r.hasFile = true;
  r.fileFirst = true;
  r.fileName = "a\tb\\c\n";
  r.contentType = "text/plain";
  r.dataLength = 12;
  r.cookie = "k=v";
  r.fields = {{"_action", "attachFile"}, {"x", "1=2\t3"}, {"empty", ""}};
  const UploadRecord back = UploadRecord::FromLine(r.Line());
  EXPECT_EQ(back.Line(), r.Line());
  EXPECT_EQ(back.Field("x"), "1=2\t3");
  EXPECT_TRUE(back.HasField("empty"));
}

}  // namespace
}  // namespace vard::http_testing

#pragma once
// An upload worker and view for tests of the upload job (scripted answers,
// recorded statuses and questions), upload entries as a hand-off makes
// them, and the upload store of the loopback test server as seen through
// its control routes.
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "agent/ListEntries.h"
#include "agent/jobs/UploadJobHost.h"
#include "common/http/testing/UploadStore.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/text/Utf.h"

namespace vard::testing {

class FakeUploadHost final : public IUploadJobHost {
 public:
  bool StopRequested() override {
    // A job that loops without end trips this guard instead of hanging.
    if (++stopPolls > kGuard) guardTripped = true;
    if (onPoll) onPoll();
    return stop || guardTripped;
  }
  void EnterTransferLock() override {
    lock.lock();
    ++lockDepth;
  }
  void LeaveTransferLock() override {
    --lockDepth;
    lock.unlock();
  }
  DownloadCounters Counters() override { return {&run_bytes, &run_seconds, &job_bytes_done}; }
  int32_t& CurrentIndex() override { return index; }
  int32_t& PartSize() override { return part_size; }
  int32_t& DuplicateAction() override { return duplicate_action; }
  uint8_t& ApplyToAll() override { return apply_to_all; }
  void Status(int value) override {
    statuses.push_back(value);
    if (onStatus) onStatus(value);
  }
  UploadExistsAnswer AskExists(const UploadExistsQuestion& q) override {
    questions.push_back(q);
    if (replies.empty()) return {};
    UploadExistsAnswer r = replies.front();
    replies.pop_front();
    return r;
  }
  bool RetryCountdown(int seconds) override {
    countdowns.push_back(seconds);
    return !cancelCountdown;
  }
  RetrySettings Retry() override { return retry; }

  static constexpr int kGuard = 1000000;
  std::atomic<bool> stop{false};
  bool guardTripped = false;
  int stopPolls = 0;
  std::function<void()> onPoll;
  std::function<void(int)> onStatus;
  std::recursive_mutex lock;
  int lockDepth = 0;
  int64_t run_bytes = 0;
  double run_seconds = 0;
  int64_t job_bytes_done = 0;
  int32_t index = 0;
  int32_t part_size = 0;
  int32_t duplicate_action = 0;
  uint8_t apply_to_all = 0;
  std::vector<int> statuses;
  std::deque<UploadExistsAnswer> replies;
  std::vector<UploadExistsQuestion> questions;
  std::vector<int> countdowns;
  bool cancelCountdown = false;
  RetrySettings retry{5, 3};  // seconds, count
};

struct UploadEntryInput {
  std::u16string path;
  std::u16string actionUrl;
  int32_t partSize = 5242880;
  std::u16string folder;
  bool isFolder = false;
  bool utf8 = true;
  std::u16string cookie;
  std::vector<std::pair<std::u16string, std::u16string>> fields;
};

inline std::shared_ptr<CUploadFile> MakeUploadEntry(const UploadEntryInput& input) {
  FILE_INFO f{};
  f.utf8_names = input.utf8 ? 1 : 0;
  f.is_folder = input.isFolder ? 1 : 0;
  StoreField(f.path, input.path);
  StoreField(f.folder, input.folder);
  ACTION_INFO a{};
  a.part_size = input.partSize;
  StoreField(a.action_url, input.actionUrl);
  StoreField(a.cookie, input.cookie);
  auto data = std::make_unique<POST_DATAS>();
  for (size_t i = 0; i < input.fields.size() && i < kPostPairs; ++i) {
    StoreField(data->pairs[i].name, input.fields[i].first);
    StoreField(data->pairs[i].value, input.fields[i].second);
  }
  return std::make_shared<CUploadFile>(f, a, data.get(), 0);
}

// One store of the test server's upload routes, private to a test.
class UploadSite {
 public:
  explicit UploadSite(const std::string& name)
      : store_(name + std::to_string(std::random_device{}() % 100000000)) {}

  // The action URL, with steering options ("?cut=2:100").
  std::u16string ActionUrl(const std::string& query = "") const {
    return http_tests::ServerUrl("/upload/" + store_ + query);
  }
  void Hold(const std::string& key, size_t size, int64_t time = 0) const {
    http_tests::Fetch("/_upload/" + store_ + "/hold?name=" + key + "&size=" + std::to_string(size) +
                      "&time=" + std::to_string(time));
  }
  std::string File(const std::string& key) const { return http_tests::Fetch("/_upload/" + store_ + "/file?name=" + key); }
  bool HasFolder(const std::string& key) const {
    return http_tests::Fetch("/_upload/" + store_ + "/folder?name=" + key) == "yes";
  }
  std::vector<http_testing::UploadRecord> Records() const {
    std::vector<http_testing::UploadRecord> out;
    const std::string text = http_tests::Fetch("/_upload/" + store_ + "/log");
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t end = text.find('\n', pos);
      out.push_back(http_testing::UploadRecord::FromLine(text.substr(pos, end - pos)));
      pos = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
  }
  // The parts' data lengths, in order (cut requests included as 0-status records).
  std::vector<size_t> PartLengths() const {
    std::vector<size_t> out;
    for (const auto& r : Records())
      if (r.Field("_action") == "attachFile") out.push_back(r.dataLength);
    return out;
  }

 private:
  std::string store_;
};

}  // namespace vard::testing

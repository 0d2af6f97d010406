#pragma once
// A download worker and view for tests of the download job: counters and
// flags of its own, scripted answers to the view's questions, and a record
// of what the job told it.
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/ListEntries.h"
#include "agent/jobs/DownloadJobHost.h"
#include "common/log/DiagnosticLog.h"
#include "common/text/Utf.h"

namespace vard::testing {

class FakeJobHost final : public IDownloadJobHost {
 public:
  bool StopRequested() override {
    // A job that loops without end trips this guard instead of hanging.
    if (++stopPolls > kGuard) guardTripped = true;
    if (onPoll) onPoll();
    return stop || guardTripped;
  }
  bool Running() override { return running; }
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
  int32_t& DuplicateAction() override { return duplicate_action; }
  void Status(int value) override { statuses.push_back(value); }
  void RunEnded() override { running = false; }
  ExistingFileOption ExistingOption() override { return option; }
  void SetExistingOption(ExistingFileOption o) override { option = o; }
  DuplicateReply AskDuplicate(const std::u16string& path, int64_t) override {
    questions.push_back(path);
    if (replies.empty()) return {};
    DuplicateReply r = replies.front();
    replies.pop_front();
    return r;
  }
  bool RetryCountdown(int attempt, int seconds) override {
    countdowns.push_back(attempt);
    countdownSeconds = seconds;
    if (onCountdown) onCountdown(attempt);
    return !cancelCountdown;
  }
  RetrySettings Retry() override { return retry; }
  void Message(const std::u16string& text, const std::u16string&) override { messages.push_back(text); }

  std::function<void(const LogEvent&)> LogSink() {
    return [this](const LogEvent& e) {
      std::lock_guard g(logMutex);
      logs.push_back(e);
    };
  }
  std::vector<std::u16string> LogMessages() {
    std::lock_guard g(logMutex);
    std::vector<std::u16string> m;
    for (const auto& e : logs) m.push_back(e.message);
    return m;
  }
  int CountLogs(std::u16string_view message) {
    int n = 0;
    for (const auto& m : LogMessages()) n += m == message;
    return n;
  }

  static constexpr int kGuard = 200000;
  std::atomic<bool> stop{false};
  bool running = true;
  bool guardTripped = false;
  int stopPolls = 0;
  std::function<void()> onPoll;
  std::recursive_mutex lock;
  int lockDepth = 0;
  int64_t run_bytes = 0;
  double run_seconds = 0;
  int64_t job_bytes_done = 0;
  int32_t index = 0;
  int32_t duplicate_action = 0;
  std::vector<int> statuses;
  ExistingFileOption option = ExistingFileOption::kAsk;
  std::deque<DuplicateReply> replies;
  std::vector<std::u16string> questions;
  std::vector<int> countdowns;
  int countdownSeconds = 0;
  std::function<void(int)> onCountdown;
  bool cancelCountdown = false;
  RetrySettings retry{5, 2};  // seconds, count
  std::vector<std::u16string> messages;
  std::mutex logMutex;
  std::vector<LogEvent> logs;
};

// A list entry as a hand-off makes it.
inline std::shared_ptr<CDownloadFile> MakeEntry(const std::u16string& url, const std::u16string& name, int64_t size,
                                                const std::u16string& folder = u"", int32_t limitKB = 0,
                                                bool byQuery = false, const std::u16string& cookie = u"") {
  DOWNLOAD_INFO r{};
  r.state = 1;
  r.file_size = size;
  StoreField(r.file_name, name);
  StoreField(r.folder, folder);
  StoreField(r.url, url);
  r.speed_limit_kb = limitKB;
  COOKIE_INFO c{};
  c.resume_by_query = byQuery ? 1 : 0;
  StoreField(c.cookie, cookie);
  return std::make_shared<CDownloadFile>(r, c, name, 0);
}

}  // namespace vard::testing

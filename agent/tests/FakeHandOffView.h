#pragma once
// A recording view for hand-off reads.
#include <string>
#include <vector>

#include "agent/HandOffReader.h"

namespace vard::testing {

struct FakeHandOffView : IHandOffView {
  void SetNotificationUrl(const std::u16string& url) override { notification_url = url; }
  void SetMainCaption(const std::u16string& c) override { caption = c; }
  void ShowMessage(const std::u16string& text, const std::u16string& cap) override {
    messages.push_back(cap + u"|" + text);
  }
  int IconIndex(const std::u16string& name, uint32_t attributes) override {
    icon_requests.push_back(name + u"#" + std::u16string(1, static_cast<char16_t>(u'0' + (attributes >> 4))));
    return 7;
  }
  void AddToJobTotal(int64_t bytes) override { job_total += bytes; }
  void ShowBatch(size_t firstNew) override { shown.push_back(firstNew); }
  bool UploadJobRunning() override { return job_running; }
  void StartUploadJob() override { ++jobs_started; }

  std::u16string notification_url, caption;
  std::vector<std::u16string> messages, icon_requests;
  std::vector<size_t> shown;
  int64_t job_total = 0;
  bool job_running = false;
  int jobs_started = 0;
};

}  // namespace vard::testing

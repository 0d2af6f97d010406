#include "agent/jobs/DownloadNotifier.h"

#include "common/http/HttpFormPost.h"

namespace vard {

DownloadNotifier::DownloadNotifier(std::u16string url, platform::IClock& clock,
                                   std::function<void(const LogEvent&)> log,
                                   std::function<platform::InternetHandle()> session)
    : url_(std::move(url)), clock_(clock), log_(std::move(log)), session_(std::move(session)) {}

template <typename Fill>
void DownloadNotifier::Post(bool utf8, Fill fill) {
  if (url_.empty()) return;
  CHttpFormPost form(utf8, clock_);
  if (session_) {
    const platform::InternetHandle session = session_();
    if (!session) return;  // closed by a stop: the run is going away
    form.UseSession(session);
  }
  fill(form);
  try {
    form.Post(url_);  // the answer means nothing to the job
  } catch (const CInternetException& e) {
    if (!log_) return;
    LogEvent event;
    event.url = url_;
    event.message = u"Notification failed: " + e.message;
    log_(event);
  }
}

void DownloadNotifier::FileFinished(const std::u16string& cookie, const std::u16string& fileName, int64_t fileSize,
                                    bool utf8) {
  Post(utf8, [&](CHttpFormPost& form) {
    form.AddTextField(u"_progress", u"ing");
    form.AddTextField(u"_session", cookie);
    form.AddTextField(u"_filename", fileName);
    form.AddNumberField(u"_filesize", fileSize);
  });
}

void DownloadNotifier::RunFinished() {
  Post(true, [](CHttpFormPost& form) { form.AddTextField(u"_progress", u"done"); });
}

}  // namespace vard

#include "agent/views/MainView.h"

#include "common/handoff/AgentNames.h"
#include "common/respack/LanguageStore.h"
#include "common/text/JsonText.h"

namespace vard {
namespace {

constexpr int kColumns = 4;
constexpr uint32_t kFirstColumnTitle = 201;

}  // namespace

CMainView::CMainView(IViewFrame& frame, MainViewSetup setup) : frame_(frame), setup_(std::move(setup)) {}

void CMainView::OnCreate() {
  if (setup_.mode == AgentMode::kDownload && !ready_) ReadHandOff();
  ready_ = true;
}

intptr_t CMainView::OnInsertQueue() {
  if (!ready_) {
    ready_ = true;
    return 0;
  }
  return ReadHandOff();
}

int CMainView::ReadHandOff() {
  if (setup_.mode == AgentMode::kUpload) return UploadHandOffReader(*this, entries_, setup_.reader).ReadHandOff();
  return DownloadHandOffReader(*this, entries_, setup_.reader).ReadHandOff();
}

intptr_t CMainView::OnRegisteredMessage(const std::u16string& name, uintptr_t, intptr_t) {
  return name == kInsertQueueMessage ? OnInsertQueue() : 0;
}

void CMainView::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  frame_.ShowMessage(text, caption);
}

int CMainView::IconIndex(const std::u16string& name, uint32_t attributes) {
  return setup_.iconIndex ? setup_.iconIndex(name, attributes) : 0;
}

void CMainView::ShowBatch(size_t) {
  shown_ = true;
  frame_.ShowForBatch();
}

void CMainView::StartUploadJob() {
  if (setup_.startUploadJob) setup_.startUploadJob();
}

std::string CMainView::Dump() {
  const LanguageStore& texts = LanguageStore::Instance();
  std::string out = "{\"class\":";
  out += JsonQuote(FactsOf(setup_.mode).viewClass ? FactsOf(setup_.mode).viewClass : u"");
  out += ",\"ready\":";
  out += ready_ ? "true" : "false";
  out += ",\"shown\":";
  out += shown_ ? "true" : "false";
  out += ",\"notification_url\":" + JsonQuote(notificationUrl_);
  out += ",\"job_total\":" + std::to_string(jobTotal_);
  out += ",\"columns\":[";
  for (int c = 0; c < kColumns; ++c) {
    if (c) out += ',';
    out += JsonQuote(texts.Text(kFirstColumnTitle + c));
  }
  out += "],\"rows\":[";
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i) out += ',';
    out += '[';
    for (int c = 0; c < kColumns; ++c) {
      if (c) out += ',';
      out += JsonQuote(entries_[i]->Text(c));
    }
    out += ']';
  }
  out += "],\"entries\":[";
  for (size_t i = 0; i < entries_.size(); ++i) {
    const UPLOAD_INFO& e = *entries_[i];
    if (i) out += ',';
    out += "{\"name\":" + JsonQuote(e.Text(0));
    out += ",\"folder\":" + JsonQuote(ReadField(e.folder));
    out += ",\"size\":" + std::to_string(e.file_size);
    out += ",\"status\":" + std::to_string(e.status);
    if (const auto* d = dynamic_cast<const CDownloadFile*>(&e)) out += ",\"url\":" + JsonQuote(ReadField(d->url));
    out += '}';
  }
  out += "]}";
  return out;
}

}  // namespace vard

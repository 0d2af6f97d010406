#include "agent/views/DialogPresenter.h"

#include "common/text/JsonText.h"

namespace vard {

CDialogPresenter::CDialogPresenter(uint32_t templateId, std::u16string caption)
    : templateId_(templateId), caption_(std::move(caption)) {}

std::u16string CDialogPresenter::OnEditChange(int id, const std::u16string& text) {
  controls_.SetText(id, text);
  return text;
}

void CDialogPresenter::Changed() {
  if (onChange_) onChange_();
}

void CDialogPresenter::End(int code) {
  if (ended_) return;
  ended_ = true;
  endCode_ = code;
  if (onEnd_) {
    // The handler may drop the last owner of this dialog.
    EndHandler handler = std::move(onEnd_);
    handler(code);
  }
}

std::string CDialogPresenter::Dump() const {
  std::string out = "{\"template\":" + std::to_string(templateId_);
  out += ",\"caption\":" + JsonQuote(caption_);
  out += ",\"buttons\":[";
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(buttons_[i]);
  }
  out += "],\"ended\":";
  out += ended_ ? "true" : "false";
  out += ",\"end_code\":" + std::to_string(endCode_);
  out += ',' + controls_.JsonMembers() + '}';
  return out;
}

CMessagePresenter::CMessagePresenter(const std::u16string& text, const std::u16string& caption)
    : CDialogPresenter(0, caption) {
  Mutable().SetText(kText, text);
  AddButton(kIdOk);
}

void CMessagePresenter::OnCommand(int id) {
  if (id == kIdOk || id == kIdCancel) End(kIdOk);
}

}  // namespace vard

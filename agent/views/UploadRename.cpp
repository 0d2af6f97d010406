#include "agent/views/UploadRename.h"

namespace vard {
namespace {

constexpr std::u16string_view kRefused = u"\"*/:<>?\\|";

}  // namespace

CUploadRename::CUploadRename(const std::u16string& name) : CDialogPresenter(221, u"이름 변경") {
  ControlState& c = Mutable();
  c.SetText(-1, u"새 파일명 : ");
  c.SetText(kName, name.substr(0, kMaxTyped));
  c.SetText(-2, u"같은 파일명이 존재할 경우");
  c.SetText(kOverwrite, u"덮어 씁니다.");
  c.SetText(kResume, u"이어올립니다.");
  c.SetText(kAutoRename, u"자동으로 이름을 변경합니다.");
  c.SetText(kIdOk, u"확인");
  c.SetText(kIdCancel, u"취소");
  c.SetChecked(kOverwrite, true);
  AddButton(kIdOk);
  AddButton(kIdCancel);
}

std::u16string CUploadRename::OnEditChange(int id, const std::u16string& text) {
  if (id != kName) return Controls().Text(id);
  std::u16string kept;
  for (char16_t ch : text)
    if (kRefused.find(ch) == std::u16string_view::npos && kept.size() < kMaxTyped) kept += ch;
  Mutable().SetText(kName, kept);
  return kept;
}

void CUploadRename::OnCommand(int id) {
  switch (id) {
    case kOverwrite:
    case kResume:
    case kAutoRename:
      for (int r : {kOverwrite, kResume, kAutoRename}) Mutable().SetChecked(r, r == id);
      break;
    case kIdOk:
    case kIdCancel:
      answer_.name = Controls().Text(kName).substr(0, kMaxStored);
      answer_.choice = Controls().Checked(kResume)       ? rename_choice::kResume
                       : Controls().Checked(kAutoRename) ? rename_choice::kAutoRename
                                                         : rename_choice::kOverwrite;
      End(id);
      break;
    default:
      break;
  }
}

}  // namespace vard

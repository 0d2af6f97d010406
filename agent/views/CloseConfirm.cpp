#include "agent/views/CloseConfirm.h"

#include "agent/views/DialogTexts.h"
#include "common/respack/LanguageStore.h"
#include "common/respack/DialogCaption.h"

namespace vard {

CCloseConfirm::CCloseConfirm(AgentMode mode, AgentSettings& settings)
    : CDialogPresenter(219, DialogCaption(LanguageStore::Instance().DialogTemplate(219).value_or(
                                std::vector<uint8_t>()))),
      mode_(mode),
      settings_(settings) {
  for (const auto& [id, text] : LanguageDialogTexts(219)) Mutable().SetText(id, text);
  AddButton(kQuit);
  AddButton(kToTray);
  AddButton(kIdCancel);
}

void CCloseConfirm::OnCommand(int id) {
  switch (id) {
    case kDontAsk:
      Mutable().SetChecked(kDontAsk, !Controls().Checked(kDontAsk));
      break;
    case kQuit:
    case kToTray:
      if (Controls().Checked(kDontAsk)) settings_.SetCloseType(mode_, id == kQuit ? 2 : 1);
      End(id);
      break;
    case kIdCancel:
      End(kIdCancel);
      break;
    default:
      break;
  }
}

}  // namespace vard

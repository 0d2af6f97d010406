#include "control/engine/OpenConsent.h"

#include "common/platform/PathText.h"
#include "common/platform/UrlOrigin.h"
#include "common/transfer/DangerousTypes.h"

namespace vard {
namespace {

std::u16string OriginText(const DownloadDialogState& state) {
  if (!state.pageOriginApart.empty()) return state.pageOriginApart;
  const auto origin = platform::OriginOf(state.pageUrl);
  return origin ? origin->Text() : u"a page";
}

}  // namespace

OpenStep OpenStepFor(const DownloadDialogState& state, std::u16string_view path) {
  if (state.pageTrusted) return OpenStep::kOpen;
  return transfer::IsDangerousType(path) ? OpenStep::kKeepSaved : OpenStep::kAskPerson;
}

std::u16string OpenQuestion(const DownloadDialogState& state, std::u16string_view path) {
  return OriginText(state) + u" wants to open " + platform::LastPathComponent(path) +
         u", which it downloaded to " + std::u16string(path) + u". Open it?";
}

std::u16string KeptSavedNotice(const DownloadDialogState& state, std::u16string_view path) {
  return platform::LastPathComponent(path) + u" from " + OriginText(state) +
         u" can run programs, so it was saved and not opened: " + std::u16string(path);
}

bool OpenAfterDownload(const DownloadDialogState& state, const std::u16string& path, const OpenSteps& steps) {
  switch (OpenStepFor(state, path)) {
    case OpenStep::kKeepSaved: steps.tell(KeptSavedNotice(state, path)); return false;
    case OpenStep::kAskPerson:
      if (!steps.ask(OpenQuestion(state, path))) return false;
      break;
    case OpenStep::kOpen: break;
  }
  if (const auto error = steps.open(path)) {
    steps.tell(*error);
    return false;
  }
  return true;
}

}  // namespace vard

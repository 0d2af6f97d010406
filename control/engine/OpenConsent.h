#pragma once
// Whether a file downloaded to be opened is opened. A trusted page's opens
// at once, as the page asked. An untrusted page's opens only when the person
// says yes to a question naming the page's origin (nobody to ask: no), and
// a type that runs something is never opened for it: the file stays saved
// and the person is told where.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "control/DownloadDialogState.h"

namespace vard {

enum class OpenStep { kOpen, kAskPerson, kKeepSaved };

OpenStep OpenStepFor(const DownloadDialogState& state, std::u16string_view path);

// The question of kAskPerson and the notice of kKeepSaved, naming the page's origin.
std::u16string OpenQuestion(const DownloadDialogState& state, std::u16string_view path);
std::u16string KeptSavedNotice(const DownloadDialogState& state, std::u16string_view path);

// What a view needs for the open: the question, the notice, the opener
// (nothing when it opened, else why not).
struct OpenSteps {
  std::function<bool(const std::u16string& question)> ask;
  std::function<void(const std::u16string& text)> tell;
  std::function<std::optional<std::u16string>(const std::u16string& path)> open;
};

// Opens the finished `path` as OpenStepFor says; true when it was opened.
bool OpenAfterDownload(const DownloadDialogState& state, const std::u16string& path, const OpenSteps& steps);

}  // namespace vard

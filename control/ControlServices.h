#pragma once
// The seams through which the control reaches work done elsewhere: the
// network, dialogs, the hand-off to the agent, the shell, host facts. Each
// has a harmless default until the module that does the work is wired in.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "control/ContextMenu.h"
#include "control/DownloadList.h"

namespace vard {

class CKT5Ctrl;

struct ControlServices {
  // Size in bytes from the server, 0 when unknown or failed.
  std::function<int64_t(const std::u16string& url, bool utf8)> queryRemoteSize;
  // System icon index of a name (as a file, or as a folder).
  std::function<int32_t(const std::u16string& name, bool directory)> iconIndex;
  // Absolute URL from the page URL and a URL of the page; `decode` asks the
  // combination to decode escapes (single downloads).
  std::function<std::u16string(const std::u16string& base, const std::u16string& relative, bool decode)>
      combineUrl;
  std::function<std::u16string(const std::u16string& text)> base64Encode;
  std::function<std::u16string(const std::u16string& text)> base64Decode;
  // Selects, validates and applies the pack for a language code.
  std::function<bool(const std::u16string& language)> loadLanguagePack;
  // Runs the list download dialog modally; returns its end code
  // (1 complete, 2 cancelled, 7 failed, other: nothing to report).
  std::function<int(CKT5Ctrl& ctrl, const std::vector<DownloadItem>& batch, bool ownedByParent)>
      runDownloadDialog;
  // The single-file dialogs and their outcome.
  std::function<void(CKT5Ctrl& ctrl, const std::u16string& url, const std::u16string& fileName,
                     int64_t fileSize)>
      downloadAndOpen;
  std::function<void(CKT5Ctrl& ctrl, const std::u16string& rawUrl, const std::u16string& resolvedUrl,
                     const std::u16string& fileName, int64_t fileSize)>
      singleDownload;
  std::function<std::optional<std::u16string>(CKT5Ctrl& ctrl)> folderSelect;
  // Hands a batch to the transfer agent.
  std::function<void(CKT5Ctrl& ctrl, const std::vector<DownloadItem>& batch)> plusDownload;
  std::function<void(CKT5Ctrl& ctrl)> savedDownload;
  std::function<uint32_t()> savedFileCount;
  // Normalises and creates a temporary folder; returns the text to store.
  std::function<std::u16string(const std::u16string& folder)> prepareTempFolder;
  std::function<std::u16string()> initialDownloadFolder;
  // Host facts.
  std::function<std::vector<std::u16string>()> ipAddresses;
  std::function<std::vector<std::u16string>()> macAddresses;
  // Puts the pack's texts on the context menu entries.
  std::function<void(std::vector<ContextMenuEntry>& popup)> contextPopupTexts;
  // Starts the shell drag of the selected rows (modal).
  std::function<void(CKT5Ctrl& ctrl)> beginDrag;

  // Defaults: no network, no dialogs, nothing handed over.
  static ControlServices Defaults();
};

}  // namespace vard

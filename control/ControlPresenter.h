#pragma once
// The control window's presenter: the list view's columns, mode and row
// count, the status bar and its texts, the embedded dialog of child mode,
// focus and the context menu. Reads the settings and the list; owned by the
// control and used on its thread.
#include <cstdint>
#include <vector>

#include "control/ControlSettings.h"
#include "control/ControlView.h"
#include "control/DownloadList.h"
#include "control/services/ControlLanguage.h"
#include "control/services/DownloadDialogs.h"

namespace vard {

class ControlPresenter {
 public:
  ControlPresenter(const ControlSettings& settings, const DownloadList& list, IControlLanguage& language);

  // Window creation in two steps: the list view first, the rest once the
  // pack is loaded.
  void Attach(IControlView* view);
  void Build();
  void Detach();
  // Child mode: the embedded dialog fills the window and takes the focus.
  void SetEmbedded(IEmbeddedDownload* embedded) { embedded_ = embedded; }
  bool HasView() const { return view_ != nullptr; }

  void Layout();
  void ApplyListStyle();
  void RefreshStatusTexts();
  // After the list changed: the view's row count.
  void ShowRowCount();
  void ClearSelection();
  std::vector<int32_t> SelectedRows();
  void OnSetFocus();
  // The list's context menu at screen coordinates: the chosen command, or 0
  // when there is no menu or nothing was chosen.
  uint16_t TrackContextMenu(int32_t screenX, int32_t screenY);

 private:
  void InsertColumns();
  std::vector<ContextMenuEntry> PackPopup();

  const ControlSettings& settings_;
  const DownloadList& list_;
  IControlLanguage& language_;
  IControlView* view_ = nullptr;
  IEmbeddedDownload* embedded_ = nullptr;
};

}  // namespace vard

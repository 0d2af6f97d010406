#pragma once
// Windows only: one of the agent's dialogs as a real window. It is made
// modeless from the dialog's template (the owner is disabled meanwhile, so
// the loop keeps running the worker's tasks and timers), shows what the
// presenter's controls hold and passes clicks, selections and typing to
// it. The presenter decides when it ends; the window then goes. UI thread.
#include <windows.h>

#include <memory>
#include <string>

#include "agent/views/DialogPresenter.h"

namespace vard::agentwin {

class PresenterDialogWindow {
 public:
  // Null when no window could be made (no template).
  static std::unique_ptr<PresenterDialogWindow> Open(HWND owner, std::shared_ptr<CDialogPresenter> dialog);
  ~PresenterDialogWindow();
  PresenterDialogWindow(const PresenterDialogWindow&) = delete;
  PresenterDialogWindow& operator=(const PresenterDialogWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  const CDialogPresenter& Presenter() const { return *dialog_; }
  // Shows the presenter's state again (after a change of its own).
  void Refresh();
  // The presenter ended: hidden at once, destroyed by the owner later.
  void Hide();

 private:
  PresenterDialogWindow(HWND owner, std::shared_ptr<CDialogPresenter> dialog);
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void Init();
  // The shell's icon of the file a duplicate question asks about.
  void ShowFileIcon(const std::u16string& path);
  void OnCommand(int id, int code, HWND control);

  HWND owner_;
  HWND hwnd_ = nullptr;
  std::shared_ptr<CDialogPresenter> dialog_;
  bool refreshing_ = false;
  HICON fileIcon_ = nullptr;
};

}  // namespace vard::agentwin

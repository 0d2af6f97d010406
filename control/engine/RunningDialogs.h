#pragma once
// The download dialogs whose runs are up on the control's thread, so that
// another thread can end them: the page went (the browser closed the
// connection) and nobody is left to watch or answer. Each run ends as when
// the control goes away: stopped without a question, its files left as a
// cancelled run leaves them.
#include <list>
#include <mutex>

#include "control/engine/DownloadDialog.h"
#include "control/engine/DownloadDialogView.h"

namespace vard {

class RunningDialogs {
 public:
  // Registers a dialog and its view for the entry's scope; declared after
  // both, so it goes first.
  class Entry {
   public:
    Entry(RunningDialogs& owner, IDownloadDialogView& view, DownloadDialog& dialog);
    ~Entry();
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

   private:
    RunningDialogs& owner_;
    std::list<std::pair<IDownloadDialogView*, DownloadDialog*>>::iterator it_;
  };

  // Any thread: asks each registered dialog, on its own thread, to stop,
  // and every dialog registered from now on as soon as it registers.
  void EndAll();

 private:
  void EndOne(IDownloadDialogView& view, DownloadDialog& dialog);

  std::mutex mutex_;
  bool ending_ = false;
  std::list<std::pair<IDownloadDialogView*, DownloadDialog*>> dialogs_;
};

}  // namespace vard

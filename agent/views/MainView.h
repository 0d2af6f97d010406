#pragma once
// The content of the agent's main window: the list of transfers that
// hand-offs fill. It reads the regions when it is created (download mode)
// and on every insert message, and answers `dump` with its entries. Runs on
// the UI thread.
#include <cstdint>
#include <functional>
#include <string>

#include "agent/AgentMode.h"
#include "agent/HandOffReader.h"
#include "agent/ListEntries.h"
#include "agent/views/ViewFrame.h"
#include "common/platform/ProgramWindow.h"

namespace vard {

struct MainViewSetup {
  AgentMode mode = AgentMode::kDownload;
  HandOffReaderSetup reader;
  // System image-list index for a name (attributes as FileSystem.h's).
  std::function<int(const std::u16string&, uint32_t)> iconIndex;
  // Starts the upload job; wired once the workers exist.
  std::function<void()> startUploadJob;
};

class CMainView : public IHandOffView, public platform::IWindowRequests {
 public:
  CMainView(IViewFrame& frame, MainViewSetup setup);

  // The view window exists: download mode reads the hand-off at once.
  void OnCreate();
  // The insert message: reads the regions again once the view is ready.
  intptr_t OnInsertQueue();

  const EntryList& Entries() const { return entries_; }
  const std::u16string& NotificationUrl() const { return notificationUrl_; }
  int64_t JobTotal() const { return jobTotal_; }
  bool Shown() const { return shown_; }

  // platform::IWindowRequests
  intptr_t OnRegisteredMessage(const std::u16string& name, uintptr_t wParam, intptr_t lParam) override;
  std::string Dump() override;

  // IHandOffView
  void SetNotificationUrl(const std::u16string& url) override { notificationUrl_ = url; }
  void SetMainCaption(const std::u16string& caption) override { frame_.SetCaption(caption); }
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;
  int IconIndex(const std::u16string& name, uint32_t attributes) override;
  void AddToJobTotal(int64_t bytes) override { jobTotal_ += bytes; }
  void ShowBatch(size_t firstNew) override;
  bool UploadJobRunning() override { return false; }
  void StartUploadJob() override;

 private:
  int ReadHandOff();

  IViewFrame& frame_;
  MainViewSetup setup_;
  EntryList entries_;
  std::u16string notificationUrl_;
  int64_t jobTotal_ = 0;
  bool ready_ = false;
  bool shown_ = false;
};

}  // namespace vard

#pragma once
// The agent's side of the hand-off: reads a batch from the regions into the
// view's list and consumes (zero-fills) every region it opened, on every
// exit path. Runs on the UI thread, from the view's creation and from the
// insert message.
#include <cstdint>
#include <functional>
#include <string>

#include "agent/ListEntries.h"
#include "common/handoff/HandOffRegion.h"

namespace vard {

// What the reader needs from its view.
class IHandOffView {
 public:
  virtual ~IHandOffView() = default;
  virtual void SetNotificationUrl(const std::u16string& url) = 0;
  virtual void SetMainCaption(const std::u16string& caption) = 0;
  // Information message box owned by the view.
  virtual void ShowMessage(const std::u16string& text, const std::u16string& caption) = 0;
  // System image-list index of the icon for a name (attributes as
  // FileSystem.h's attribute::kNormal / kDirectory).
  virtual int IconIndex(const std::u16string& name, uint32_t attributes) = 0;
  virtual void AddToJobTotal(int64_t bytes) = 0;
  // Refresh status texts, set the row count, scroll `firstNew` into view,
  // show the window, enable the start/stop buttons.
  virtual void ShowBatch(size_t firstNew) = 0;
  virtual bool UploadJobRunning() = 0;
  // Hand the notification URL to the job, clear stopped-by-user, start the
  // upload job, disable start and enable stop.
  virtual void StartUploadJob() = 0;
};

// Config_AutoSend value that starts uploads at once (also the default).
constexpr int kAutoSendOn = 208;

struct HandOffReaderSetup {
  IRegionSource* regions = &NamedRegions();
  HandOffNames names;
  // Saved-downloads file; empty = records are not saved.
  std::u16string saved_downloads_path;
  // Reads Config_AutoSend; missing key or value gives kAutoSendOn.
  std::function<int()> auto_send = [] { return kAutoSendOn; };
};

class DownloadHandOffReader {
 public:
  DownloadHandOffReader(IHandOffView& view, EntryList& list, HandOffReaderSetup setup = {});
  // 1: read completed and the list is not empty; 0 otherwise.
  int ReadHandOff();

 private:
  IHandOffView& view_;
  EntryList& list_;
  HandOffReaderSetup setup_;
};

class UploadHandOffReader {
 public:
  UploadHandOffReader(IHandOffView& view, EntryList& list, HandOffReaderSetup setup = {});
  int ReadHandOff();

 private:
  IHandOffView& view_;
  EntryList& list_;
  HandOffReaderSetup setup_;
};

// The message of a failed hand-off (texts 108 and 501 of the language table).
void ShowHandOffError(IHandOffView& view);

}  // namespace vard

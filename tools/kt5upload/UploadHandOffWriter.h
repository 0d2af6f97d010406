#pragma once
// The upload side of the hand-off, as a page component writes it: the five
// upload regions, zero-filled and then filled with one batch. The writer
// keeps them mapped while it lives, so the batch outlasts the write until
// the agent has read it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/handoff/HandOffRecords.h"
#include "common/handoff/HandOffRegion.h"

namespace vard {

struct UploadItem {
  std::u16string path;    // full local path
  std::u16string folder;  // target folder on the server
  bool isFolder = false;
  int64_t size = 0;
};

struct UploadBatch {
  std::u16string title;
  std::u16string notificationUrl;
  int32_t partSize = 5242880;
  std::u16string actionUrl;
  std::u16string cookie;
  bool utf8Names = true;
  std::vector<UploadItem> items;  // beyond 999 are dropped
  // Form fields of every item, in order; beyond 99 are dropped.
  std::vector<std::pair<std::u16string, std::u16string>> fields;
};

class UploadHandOffWriter {
 public:
  explicit UploadHandOffWriter(IRegionSource& source = NamedRegions(), const HandOffNames& names = {});
  // Unmaps without zero-filling: the batch stays for the agent.
  ~UploadHandOffWriter();
  UploadHandOffWriter(const UploadHandOffWriter&) = delete;
  UploadHandOffWriter& operator=(const UploadHandOffWriter&) = delete;

  bool AllOpen() const;
  // Zero-fills the regions and writes the batch; the records stored, or
  // -1 when a region is not open.
  int Write(const UploadBatch& batch);

 private:
  Region<TextRegion> urlNoti_;
  Region<TextRegion> title_;
  Region<ActionRegion> action_;
  Region<PostDataRegion> postData_;
  Region<UploadRecordRegion> records_;
};

}  // namespace vard

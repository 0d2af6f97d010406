#pragma once
// The download side of the hand-off: what the control writes before it starts
// or notifies the agent. The control keeps one writer (all four regions
// mapped) for its lifetime.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/handoff/HandOffRecords.h"
#include "common/handoff/HandOffRegion.h"

namespace vard {

// A title equal to this is not written: the agent keeps its own caption.
inline constexpr char16_t kDefaultProgramTitle[] = u"VardKT";

struct DownloadHandOff {
  std::u16string title;
  std::optional<std::u16string> notification_url;
  std::u16string cookie;
  bool resume_by_query = false;
  std::vector<DOWNLOAD_INFO> records;  // beyond 999 are dropped
};

// A fresh record (state 1, not a folder); texts cut to their capacities.
DOWNLOAD_INFO MakeDownloadRecord(std::u16string_view url, std::u16string_view folder,
                                 std::u16string_view fileName, int64_t fileSize, int32_t speedLimitKb);

class DownloadHandOffWriter {
 public:
  // Creates or opens the four download regions; one that fails is skipped
  // by every later write.
  explicit DownloadHandOffWriter(IRegionSource& source = NamedRegions(), const HandOffNames& names = {});
  // Unmaps without zero-filling: the last batch stays for the agent.
  ~DownloadHandOffWriter();
  DownloadHandOffWriter(const DownloadHandOffWriter&) = delete;
  DownloadHandOffWriter& operator=(const DownloadHandOffWriter&) = delete;

  // Zero-fills the regions and writes the batch. Returns the number of
  // records stored.
  int Write(const DownloadHandOff& batch);
  // Adds one record after those written; false when the region is full or
  // missing. Lets a writer build a batch in place rather than in a copy.
  bool Append(const DOWNLOAD_INFO& record);

  bool AllOpen() const;

 private:
  Region<TextRegion> urlNoti_;
  Region<TextRegion> title_;
  Region<CookieRegion> cookie_;
  Region<DownloadRecordRegion> records_;
};

}  // namespace vard

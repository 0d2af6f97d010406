#include "common/handoff/HandOffWriter.h"

#include <cstring>

namespace vard {

DOWNLOAD_INFO MakeDownloadRecord(std::u16string_view url, std::u16string_view folder,
                                 std::u16string_view fileName, int64_t fileSize, int32_t speedLimitKb) {
  DOWNLOAD_INFO r;
  std::memset(&r, 0, sizeof r);
  r.state = 1;
  r.is_folder = 0;
  r.file_size = fileSize;
  StoreField(r.file_name, fileName);
  StoreField(r.folder, folder);
  StoreField(r.url, url);
  r.speed_limit_kb = speedLimitKb;
  return r;
}

DownloadHandOffWriter::DownloadHandOffWriter(IRegionSource& source, const HandOffNames& names) {
  urlNoti_.Open(source, names(region_name::kDownloadUrlNoti));
  title_.Open(source, names(region_name::kDownloadTitle));
  cookie_.Open(source, names(region_name::kDownloadCookie));
  records_.Open(source, names(region_name::kDownload));
}

DownloadHandOffWriter::~DownloadHandOffWriter() {
  urlNoti_.Unmap();
  title_.Unmap();
  cookie_.Unmap();
  records_.Unmap();
}

bool DownloadHandOffWriter::AllOpen() const {
  return urlNoti_.IsOpen() && title_.IsOpen() && cookie_.IsOpen() && records_.IsOpen();
}

int DownloadHandOffWriter::Write(const DownloadHandOff& batch) {
  urlNoti_.ZeroFill();
  title_.ZeroFill();
  cookie_.ZeroFill();
  records_.ZeroFill();

  if (title_.IsOpen() && !batch.title.empty() && batch.title != kDefaultProgramTitle)
    StoreField(title_->text, batch.title);
  if (urlNoti_.IsOpen() && batch.notification_url) StoreField(urlNoti_->text, *batch.notification_url);
  // The region holds one block: a count other than 0 (another writer's, or
  // garbage) must not place it outside the region.
  if (cookie_.IsOpen() && cookie_->count == 0) {
    cookie_->info.resume_by_query = batch.resume_by_query ? 1 : 0;
    StoreField(cookie_->info.cookie, batch.cookie);
    cookie_->count = 1;
  }
  if (!records_.IsOpen()) return 0;
  for (const DOWNLOAD_INFO& r : batch.records)
    if (!Append(r)) break;
  return records_->count;
}

bool DownloadHandOffWriter::Append(const DOWNLOAD_INFO& record) {
  if (!records_.IsOpen()) return false;
  const int32_t count = records_->count;
  if (count < 0 || count >= kMaxHandOffRecords) return false;
  std::memcpy(&records_->records[count], &record, sizeof record);
  records_->count = count + 1;
  return true;
}

}  // namespace vard

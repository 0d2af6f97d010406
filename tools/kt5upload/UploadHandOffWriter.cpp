#include "tools/kt5upload/UploadHandOffWriter.h"

#include <algorithm>

namespace vard {

UploadHandOffWriter::UploadHandOffWriter(IRegionSource& source, const HandOffNames& names) {
  urlNoti_.Open(source, names(region_name::kUploadUrlNoti));
  title_.Open(source, names(region_name::kUploadTitle));
  action_.Open(source, names(region_name::kUploadAction));
  postData_.Open(source, names(region_name::kUploadPostData));
  records_.Open(source, names(region_name::kUpload));
}

UploadHandOffWriter::~UploadHandOffWriter() {
  urlNoti_.Unmap();
  title_.Unmap();
  action_.Unmap();
  postData_.Unmap();
  records_.Unmap();
}

bool UploadHandOffWriter::AllOpen() const {
  return urlNoti_.IsOpen() && title_.IsOpen() && action_.IsOpen() && postData_.IsOpen() && records_.IsOpen();
}

int UploadHandOffWriter::Write(const UploadBatch& batch) {
  if (!AllOpen()) return -1;
  urlNoti_.ZeroFill();
  title_.ZeroFill();
  action_.ZeroFill();
  postData_.ZeroFill();
  records_.ZeroFill();

  StoreField(title_->text, batch.title);
  StoreField(urlNoti_->text, batch.notificationUrl);
  action_->present = 1;
  action_->info.part_size = batch.partSize;
  StoreField(action_->info.action_url, batch.actionUrl);
  StoreField(action_->info.cookie, batch.cookie);

  const size_t count = std::min(batch.items.size(), static_cast<size_t>(kMaxHandOffRecords));
  const size_t pairs = std::min(batch.fields.size(), static_cast<size_t>(kPostPairs));
  for (size_t i = 0; i < count; ++i) {
    const UploadItem& item = batch.items[i];
    FILE_INFO& r = records_->records[i];
    r.utf8_names = batch.utf8Names ? 1 : 0;
    r.is_folder = item.isFolder ? 1 : 0;
    r.file_size = item.size;
    StoreField(r.path, item.path);
    StoreField(r.folder, item.folder);
    for (size_t k = 0; k < pairs; ++k) {
      StoreField(postData_->blocks[i].pairs[k].name, batch.fields[k].first);
      StoreField(postData_->blocks[i].pairs[k].value, batch.fields[k].second);
    }
  }
  records_->count = static_cast<int32_t>(count);
  return static_cast<int>(count);
}

}  // namespace vard

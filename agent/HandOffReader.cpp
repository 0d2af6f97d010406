#include "agent/HandOffReader.h"

#include <cstring>

#include "agent/DuplicateName.h"
#include "common/handoff/HandOffRecords.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/FileSystem.h"
#include "common/platform/PathText.h"
#include "common/respack/LanguageStore.h"
#include "common/transfer/SafeName.h"

namespace vard {
namespace {

constexpr uint32_t kErrorText = 108;
constexpr uint32_t kAlertCaption = 501;

// Reads a text region's text; empty is not applied.
std::u16string RegionText(const Region<TextRegion>& region) { return ReadField(region->text); }

// The first two regions of either batch: the notification URL and the main
// window's title, each applied when not empty. False when either is missing.
bool ReadUrlAndTitle(IRegionSource& source, const std::u16string& urlName, const std::u16string& titleName,
                     Region<TextRegion>& urlNoti, Region<TextRegion>& title, IHandOffView& view) {
  if (!urlNoti.Open(source, urlName)) return false;
  if (auto url = RegionText(urlNoti); !url.empty()) view.SetNotificationUrl(url);
  if (!title.Open(source, titleName)) return false;
  if (auto caption = RegionText(title); !caption.empty()) view.SetMainCaption(caption);
  return true;
}

}  // namespace

void ShowHandOffError(IHandOffView& view) {
  auto& store = LanguageStore::Instance();
  view.ShowMessage(store.Text(kErrorText), store.Text(kAlertCaption));
}

DownloadHandOffReader::DownloadHandOffReader(IHandOffView& view, EntryList& list, HandOffReaderSetup setup)
    : view_(view), list_(list), setup_(std::move(setup)) {}

int DownloadHandOffReader::ReadHandOff() {
  IRegionSource& source = *setup_.regions;
  const HandOffNames& names = setup_.names;
  Region<TextRegion> urlNoti, title;
  Region<CookieRegion> cookie;
  Region<DownloadRecordRegion> records;
  auto releaseAll = [&] {
    urlNoti.Release();
    title.Release();
    cookie.Release();
    records.Release();
  };

  if (!ReadUrlAndTitle(source, names(region_name::kDownloadUrlNoti), names(region_name::kDownloadTitle), urlNoti,
                       title, view_)) {
    releaseAll();
    return 0;
  }
  if (!cookie.Open(source, names(region_name::kDownloadCookie)) ||
      !records.Open(source, names(region_name::kDownload))) {
    ShowHandOffError(view_);
    releaseAll();
    return 0;
  }

  const size_t firstNew = list_.size();
  // A count of 0 leaves the block as zeros: empty cookie, Range resume.
  const COOKIE_INFO& cookieInfo = cookie->info;
  {
    SavedDownloadsAppender saved(setup_.saved_downloads_path);
    const int count = ClampedCount(records->count);
    DuplicateNames shown(list_);
    for (int i = 0; i < count; ++i) {
      DOWNLOAD_INFO record;
      std::memcpy(&record, &records->records[i], sizeof record);
      saved.Append(record);
      const std::u16string name = shown.FreeName(transfer::WithoutBidiControls(ReadField(record.file_name)));
      shown.Add(name);
      const bool marker = ReadField(record.url) == kFolderMarkerUrl;
      const int icon = marker ? view_.IconIndex(platform::LastPathComponent(name), platform::attribute::kDirectory)
                              : view_.IconIndex(name, platform::attribute::kNormal);
      list_.push_back(std::make_shared<CDownloadFile>(record, cookieInfo, name, icon));
      view_.AddToJobTotal(record.file_size);
    }
  }

  if (list_.empty()) {
    releaseAll();
    ShowHandOffError(view_);
    return 0;
  }
  view_.ShowBatch(firstNew);
  releaseAll();
  return 1;
}

UploadHandOffReader::UploadHandOffReader(IHandOffView& view, EntryList& list, HandOffReaderSetup setup)
    : view_(view), list_(list), setup_(std::move(setup)) {}

int UploadHandOffReader::ReadHandOff() {
  IRegionSource& source = *setup_.regions;
  const HandOffNames& names = setup_.names;
  Region<TextRegion> urlNoti, title;
  Region<ActionRegion> action;
  Region<PostDataRegion> postData;
  Region<UploadRecordRegion> records;
  auto releaseAll = [&] {
    urlNoti.Release();
    title.Release();
    action.Release();
    postData.Release();
    records.Release();
  };

  if (!ReadUrlAndTitle(source, names(region_name::kUploadUrlNoti), names(region_name::kUploadTitle), urlNoti,
                       title, view_)) {
    releaseAll();
    return 0;
  }
  if (!action.Open(source, names(region_name::kUploadAction)) ||
      !postData.Open(source, names(region_name::kUploadPostData)) ||
      !records.Open(source, names(region_name::kUpload))) {
    ShowHandOffError(view_);
    releaseAll();
    return 0;
  }
  if (action->present == 0) {
    releaseAll();
    return 0;
  }

  const size_t firstNew = list_.size();
  const ACTION_INFO& actionInfo = action->info;
  const int count = ClampedCount(records->count);
  for (int i = 0; i < count; ++i) {
    const FILE_INFO& record = records->records[i];
    const std::u16string path = ReadField(record.path);
    const int icon = view_.IconIndex(path, record.is_folder ? platform::attribute::kDirectory : 0);
    list_.push_back(std::make_shared<CUploadFile>(record, actionInfo, &postData->blocks[i], icon));
    view_.AddToJobTotal(record.file_size);
  }
  // Releasing zero-fills the record, form-field and action regions; it
  // comes before any message box, so the batch is consumed either way.

  if (list_.empty()) {
    releaseAll();
    ShowHandOffError(view_);
    return 0;
  }
  view_.ShowBatch(firstNew);
  if (!view_.UploadJobRunning() && setup_.auto_send() == kAutoSendOn) view_.StartUploadJob();
  releaseAll();
  return 1;
}

}  // namespace vard

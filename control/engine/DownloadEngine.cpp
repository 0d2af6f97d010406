#include "control/engine/DownloadEngine.h"

#include <algorithm>
#include <optional>

#include "common/platform/PathText.h"
#include "common/text/CaseFold.h"
#include "common/text/SizeFormat.h"
#include "common/text/Utf.h"
#include "common/text/UrlEncoding.h"
#include "common/transfer/BodyBounds.h"
#include "common/transfer/BodyPlacement.h"
#include "common/transfer/ResumeRequest.h"
#include "common/transfer/SafeName.h"
#include "common/transfer/TurnProgress.h"
#include "control/SizeTotal.h"

namespace vard {
namespace p = platform;
using transfer::BodyTarget;

namespace {

// Log texts, written as they stand in every language.
constexpr char16_t kLogStarted[] = u"다운로드 시작";
constexpr char16_t kLogComplete[] = u"다운로드 완료";
constexpr char16_t kLogError[] = u"다운로드 에러";
constexpr char16_t kLogCancelled[] = u"다운로드 취소";
constexpr char16_t kLogConnectFailed[] = u"네트워크 접속실패";
constexpr char16_t kLogNotFound[] = u"404 Not Found";

std::u16string Decimal(int64_t n) { return AsciiToUtf16(std::to_string(n)); }

}  // namespace

bool IsHttpUrl(std::u16string_view url) {
  return StartsWithIgnoreCase(url, u"http://") || StartsWithIgnoreCase(url, u"https://");
}

DownloadEngine::DownloadEngine(DownloadEngineServices services, DownloadRunOptions options,
                               std::vector<DownloadItem> items)
    : s_(std::move(services)),
      options_(std::move(options)),
      items_(std::move(items)),
      heldHost_(*s_.host, hold_),
      progress_(*s_.clock, options_.limitRateKB, &hold_) {
  s_.host = &heldHost_;
  SizeTotal total;
  for (const DownloadItem& i : items_) total.Add(std::max<int64_t>(i.fileSize, 0));
  progress_.SetRunTotal(total.Clamped());
  applyAllOverwrite_ = options_.overwriteAll;
}

int DownloadEngine::EndCode() const {
  if (errorFlag_) return endcode::kFailed;
  return completed_ && !singleCancelled_ ? endcode::kCompleted : endcode::kCancelled;
}

DownloadItem DownloadEngine::Item(size_t index) const {
  std::lock_guard lock(itemsMutex_);
  return index < items_.size() ? items_[index] : DownloadItem{};
}

void DownloadEngine::Cancel() {
  cancel_ = true;
  progress_.Interrupt();
  Resume();
}

void DownloadEngine::Pause() {
  if (cancel_) return;
  hold_.Hold();
  progress_.Interrupt();
}

void DownloadEngine::Resume() {
  if (!cancel_) progress_.ClearInterrupt();
  hold_.Release();
}

bool DownloadEngine::SafePoint() {
  hold_.Pass();
  return !cancel_;
}

void DownloadEngine::SetStatus(size_t index, int32_t status) {
  {
    std::lock_guard lock(itemsMutex_);
    items_[index].status = status;
  }
  s_.host->ItemChanged(index);
}

void DownloadEngine::Log(size_t index, const std::u16string& path, const std::u16string& message, int64_t offset,
                         int64_t finalSize) {
  if (!s_.log || !options_.writeLog) return;
  LogEvent e;
  {
    std::lock_guard lock(itemsMutex_);
    e.url = items_[index].url;
    e.fileSize = items_[index].fileSize;
  }
  e.path = path;
  e.offset = offset;
  e.finalSize = finalSize;
  e.message = message;
  s_.log(options_.writeLog, e);
}

void DownloadEngine::Debug(std::u16string_view format, std::initializer_list<FormatArg> args) {
  if (s_.debug) s_.debug(FormatText(format, args));
}

void DownloadEngine::FailItem(size_t index, const std::u16string& path, const std::u16string& message) {
  errorFlag_ = true;
  SetStatus(index, item::kFailed);
  Log(index, path, message, -1, -1);
}

void DownloadEngine::Run() {
  running_ = true;
  completed_ = false;
  errorFlag_ = false;
  progress_.Start();
  s_.target->BeginRun();
  try {
    session_.Open(u"VardKT5", p::inet::kOpenTypePreconfig, nullptr, nullptr, 0);
  } catch (const CInternetException&) {
    // Every request of the run then fails on its own and says so.
  }
  const size_t count = items_.size();
  for (size_t i = 0; i < count; ++i) {
    s_.host->SetItemCounterText(FormatText(u"%d / %d", {static_cast<int64_t>(i + 1), static_cast<int64_t>(count)}));
    DownloadOneItem(i);
    if (cancel_) break;
  }
  if (!cancel_) completed_ = true;
  applyAllSaveAs_ = applyAllOverwrite_ = applyAllResume_ = false;
  session_.Close();
  s_.target->EndRun();
  running_ = false;
  s_.host->RunFinished();
}

void DownloadEngine::DownloadOneItem(size_t index) {
  DownloadItem it = Item(index);
  progress_.BeginItem(it.fileSize);
  progress_.AddProgress(0, 0);
  s_.host->RefreshTexts();

  // A page's name must stay inside the download folder, and fit, before
  // any folder is made (a dropped row's was checked against its folder).
  if (it.refusedName || (!options_.useFullPath && (!transfer::FitsInsideFolder(options_.downloadFolder, it.fileName) ||
                                                  !transfer::StaysInsideFolder(it.subFolder)))) {
    FailItem(index, it.fileName, u"Refused name: " + it.fileName);
    return;
  }
  std::u16string path;
  if (!options_.useFullPath) {
    path = options_.downloadFolder;
    if (path.empty() || (path.back() != u'\\' && path.back() != u'/')) path += u'\\';
  }
  path += it.fileName;
  const bool folderEntry = !it.subFolder.empty() && (it.subFolder.back() == u'/' || it.subFolder.back() == u'\\');
  if (folderEntry) path += u"\\empty";
  std::replace(path.begin(), path.end(), u'/', u'\\');
  // A full path may name its drive, never a stream of a file.
  if (transfer::NamesStream(path)) {
    FailItem(index, path, u"Refused name: " + it.fileName);
    return;
  }

  const p::UrlZone zone = options_.pageZone ? *options_.pageZone : p::ZoneOfUrl(it.url);
  s_.target->SetOrigin(p::MakeOriginMark(it.url, options_.referrerUrl, zone));
  s_.target->MakeFolders(path);
  if (folderEntry) {
    SetStatus(index, item::kDone);
    return;
  }
  s_.host->SetCurrentFileText(it.displayName);
  if (cancel_) return;
  if (!IsHttpUrl(it.url)) {
    FailItem(index, path, u"Not an http or https URL");
    return;
  }

  bool resume = false;
  if (!DecideResume(index, path, resume)) return;
  // A mapped drive is written by its remote name.
  path = ThroughMappedDrive(path, s_.mappedDrive);
  {
    std::lock_guard lock(itemsMutex_);
    items_[index].localPath = path;
  }
  // The file is made once the server has answered with it: a missing or
  // refused file leaves nothing behind, and a file that was to be
  // overwritten stays as it was. A resumed file is opened first for its
  // size, and an empty item is its file.
  opened_ = false;
  const bool nothingToFetch = !it.sizeUnknown && it.fileSize <= 0;
  if ((nothingToFetch || (resume && s_.target->Exists(path))) && !OpenTarget(index, path, resume)) return;

  ItemEnd end = TransferCycles(index, path, resume);
  if (end != ItemEnd::kEarly) {
    const int64_t finalSize = s_.target->Size();
    // A file that cannot tell its size at the end is not known to be whole.
    if (finalSize < 0 && opened_ && end == ItemEnd::kComplete) end = ItemEnd::kFailedWrite;
    if (end == ItemEnd::kFailedRead || end == ItemEnd::kFailedWrite) {
      errorFlag_ = true;
      SetStatus(index, item::kFailed);
      Log(index, path, kLogError, -1, finalSize);
    } else if (end == ItemEnd::kCancelled) {
      Log(index, path, kLogCancelled, -1, finalSize);
    } else {
      SetStatus(index, item::kDone);
      Log(index, path, kLogComplete, -1, finalSize);
    }
  }
  s_.target->Close();
}

bool DownloadEngine::OpenTarget(size_t index, const std::u16string& path, bool resume) {
  opened_ = s_.target->Open(path, resume);
  if (!opened_) {
    errorFlag_ = true;
    SetStatus(index, item::kFailed);
  }
  return opened_;
}

// The existing-file question and the apply-to-all answers; false when the
// item ends here (cancelled).
bool DownloadEngine::DecideResume(size_t index, std::u16string& path, bool& resume) {
  if (applyAllSaveAs_) return resume = false, true;
  if (applyAllResume_ || options_.alwaysResume) return resume = true, true;
  if (applyAllOverwrite_) return resume = false, true;
  if (!s_.target->Exists(path)) return resume = false, true;

  const DownloadItem it = Item(index);
  const DuplicateAnswer a = s_.host->AskDuplicate({path, it.fileSize, options_.allowResume, options_.singleMode});
  const auto applyAll = [&](bool& flag) {
    if (!a.applyToAll || options_.singleMode) return;
    applyAllSaveAs_ = applyAllOverwrite_ = applyAllResume_ = false;
    flag = true;
  };
  switch (a.code) {
    case existing_file::kOverwrite:
      applyAll(applyAllOverwrite_);
      resume = false;
      return true;
    case existing_file::kResume:
      applyAll(applyAllResume_);
      resume = true;
      return true;
    case existing_file::kSaveAs: {
      applyAll(applyAllSaveAs_);
      path = a.newPath;
      {
        std::lock_guard lock(itemsMutex_);
        items_[index].displayName = platform::LastPathComponent(path);
      }
      s_.host->ItemChanged(index);
      s_.host->SetCurrentFileText(Item(index).displayName);
      resume = false;
      return true;
    }
    default:
      SetStatus(index, item::kCancelled);
      progress_.AddProgress(it.fileSize, 0);
      s_.host->RefreshTexts();
      if (options_.singleMode) singleCancelled_ = true;
      return false;
  }
}

DownloadEngine::ItemEnd DownloadEngine::TransferCycles(size_t index, const std::u16string& path, bool resume) {
  const DownloadItem it = Item(index);
  int64_t fileSize = it.fileSize;
  const bool sizeKnown = !it.sizeUnknown;
  int64_t done = 0;
  bool first = true;
  // A file that cannot tell its size fails its item: taking it for empty
  // would hide the fault.
  const int64_t started = opened_ ? s_.target->Size() : 0;
  if (started < 0) return ItemEnd::kFailedWrite;
  transfer::TurnProgress turn(started);
  // The rest is asked for anew: false when the turn has had its requests.
  // The item then ends with what arrived, or fails when nothing did.
  const auto again = [&](bool engineEnded) { return turn.Again(done, engineEnded); };
  const auto gaveUp = [&] { return done > 0 ? ItemEnd::kComplete : ItemEnd::kFailedRead; };
  // The file is to start anew, once an answer is the file.
  bool anew = false;

  while (!sizeKnown || done < fileSize || first) {
    if (sizeKnown && fileSize <= 0 && first) break;  // nothing to fetch: the empty file is the item
    std::u16string url = options_.urlEncode ? EncodeUrl(it.url, options_.utf8Urls) : it.url;
    std::u16string headers;
    std::optional<int64_t> rangeFrom;
    int64_t onDisk = 0;
    if (resume) {
      onDisk = done = opened_ ? s_.target->Size() : 0;
      if (onDisk < 0) return ItemEnd::kFailedWrite;
      transfer::ResumeAsk ask = transfer::ResumeFrom(url, done, options_.resumeByQuery);
      url = std::move(ask.url);
      headers = std::move(ask.header);
      rangeFrom = ask.rangeFrom;
    }

    CHttpFile request;
    transfer::Placement place;
    try {
      request.OpenUrl(session_.Handle(), url, headers, p::inet::kFlagReload);
      uint32_t status = 0;
      if (request.QueryInfoNumber(p::inet::kQueryStatusCode | p::inet::kQueryFlagNumber, status)) {
        const auto early = [&](int32_t itemStatus) {
          SetStatus(index, itemStatus);
          if (first) progress_.AddProgress(done, 0);
          return ItemEnd::kEarly;
        };
        // Nothing left to send: what is on disk, or an empty file, is the item.
        if (status == 416) return opened_ || OpenTarget(index, path, resume) ? early(item::kDone) : ItemEnd::kEarly;
        if (status == 404) {
          Log(index, path, kLogNotFound, done, -1);
          return early(item::kCancelled);
        }
        if (transfer::ClassifyStatus(status) != transfer::AnswerClass::kBody) {
          // Any other error page is not the file.
          errorFlag_ = true;
          Log(index, path, u"HTTP " + Decimal(status), done, -1);
          return early(item::kFailed);
        }
      }
      std::u16string rangeText, lengthText;
      const bool hasRange = request.QueryInfoText(p::inet::kQueryContentRange, rangeText);
      std::optional<int64_t> length;
      if (request.QueryInfoText(p::inet::kQueryContentLength, lengthText)) length = transfer::ParseContentLength(lengthText);
      place = transfer::PlaceBody({rangeFrom, resume && options_.resumeByQuery, onDisk,
                                   hasRange ? std::optional<std::u16string_view>(rangeText) : std::nullopt, length,
                                   sizeKnown ? fileSize : -1});
      if (place.target == BodyTarget::kUnusable) {
        errorFlag_ = true;
        Log(index, path, u"Unusable Content-Range: " + rangeText, done, -1);
        SetStatus(index, item::kFailed);
        return ItemEnd::kEarly;
      }
      if (place.target == BodyTarget::kRefetch) {
        // Not where the file can take it: the whole file, asked for anew.
        request.Close();
        progress_.AddProgress(first ? 0 : -done, 0);
        done = 0;
        resume = false;
        anew = opened_;
        if (!again(false)) return gaveUp();
        continue;
      }
      // The file is made, or emptied, only now that the answer is the file.
      if (!opened_ && !OpenTarget(index, path, resume)) return ItemEnd::kEarly;
      if (anew || (resume && place.target != BodyTarget::kAppend)) {
        const int64_t at = place.target == BodyTarget::kWriteAt ? place.offset : 0;
        if (!s_.target->CutAt(at)) return ItemEnd::kFailedWrite;
        if (!first) progress_.AddProgress(at - done, 0);
        done = at;
        anew = false;
      }

      // The size the answer gives the file: its range's total, or the end
      // its length names.
      std::optional<int64_t> announced;
      if (const auto range = hasRange ? transfer::ParseContentRange(rangeText) : std::nullopt) {
        if (range->total >= 0) announced = range->total;
      } else if (length) {
        announced = place.end;
      }
      if (announced && *announced != fileSize) {
        progress_.ChangeItemSize(*announced);
        {
          std::lock_guard lock(itemsMutex_);
          items_[index].fileSize = *announced;
          items_[index].sizeText = FormatSize(*announced);
        }
        fileSize = *announced;
        s_.host->ItemChanged(index);
      }
      Log(index, path, kLogStarted, length.value_or(fileSize), -1);
      SetStatus(index, item::kTransferring);
    } catch (const CInternetException&) {
      request.Close();
      s_.target->Close();
      errorFlag_ = true;
      Log(index, path, kLogConnectFailed, done, -1);
      SetStatus(index, item::kFailed);
      return ItemEnd::kEarly;
    }
    if (first) {
      progress_.AddProgress(done, 0);
      s_.host->RefreshTexts();
      first = false;
    }

    transfer::BodyBounds bounds(place);
    int64_t cycleBytes = 0;
    uint32_t r = 0;
    bool readFailed = false;
    try {
      do {
        if (!SafePoint()) break;
        const uint32_t n = request.QueryDataAvailable();
        Debug(u"m_httpFile.GetLength(): %d\n", {n});
        if (buffer_.size() < static_cast<size_t>(n) + 1) buffer_.resize(static_cast<size_t>(n) + 1);
        r = request.Read(buffer_.data(), n);
        Debug(u"try dwBytesRead = %d\n", {r});
        const uint32_t allowed = bounds.Take(r);
        if (allowed > 0) {
          const uint32_t w = s_.target->Write(buffer_.data(), allowed);
          progress_.AddProgress(w, w);
          if (w != allowed) return ItemEnd::kFailedWrite;
          done += allowed;
          cycleBytes += allowed;
          Debug(u"dwBytesRead: %d, nLen: %d, nCurrentByte: %d\n", {r, w, done});
        }
      } while (r != 0 && !bounds.Surplus() && cycleBytes < options_.cycleLimit);
    } catch (const CInternetException&) {
      Debug(u"Catch\n", {});
      readFailed = true;
    }
    request.Close();
    if (cancel_) return ItemEnd::kCancelled;
    // A read broken by our own stop is the stop, not a failure.
    if (readFailed) return ItemEnd::kFailedRead;
    if (bounds.WholeFileAgain()) {
      // A query resume answered with the whole file: what it appended goes,
      // and the file starts anew with the next answer that is the file.
      if (!s_.target->CutAt(onDisk)) return ItemEnd::kFailedWrite;
      progress_.AddProgress(-done, 0);
      done = 0;
      resume = false;
      anew = true;
      if (!again(false)) return gaveUp();
      continue;
    }
    // More than the answer announced: the request is broken.
    if (bounds.Surplus()) return ItemEnd::kFailedRead;
    const bool engineEnded = r != 0;
    if (!engineEnded) {
      // The body ended. Short of what its answer or the page announced, the
      // rest is asked for anew, as long as requests still move the file on.
      const bool whole = !bounds.EndedShort() && (!sizeKnown || done >= fileSize);
      if (whole) return ItemEnd::kComplete;
    }
    if (!again(engineEnded)) return gaveUp();
    resume = true;
  }
  return cancel_ ? ItemEnd::kCancelled : ItemEnd::kComplete;
}

}  // namespace vard

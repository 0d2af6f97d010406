#include "control/engine/DownloadEngine.h"

#include <algorithm>

#include "common/platform/FolderChain.h"
#include "common/platform/PathText.h"
#include "common/text/CaseFold.h"
#include "common/text/SizeFormat.h"
#include "common/text/Utf.h"
#include "common/text/UrlEncoding.h"
#include "common/transfer/HttpTransferRequest.h"
#include "common/transfer/SafeName.h"
#include "common/transfer/TransferMachine.h"
#include "control/SizeTotal.h"
#include "control/engine/TargetSink.h"

namespace vard {
namespace p = platform;

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

void DownloadEngine::SetStatus(size_t index, ItemState state) {
  {
    std::lock_guard lock(itemsMutex_);
    items_[index].status = static_cast<int32_t>(state);
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
  SetStatus(index, ItemState::kFailed);
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
  const auto source = options_.untrustedPage ? transfer::NameSource::kUntrustedPage : transfer::NameSource::kTrusted;
  if (it.refusedName ||
      (!options_.useFullPath && (!transfer::FitsInsideFolder(options_.downloadFolder, it.fileName, source) ||
                                 !transfer::StaysInsideFolder(it.subFolder, source)))) {
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
  // A full path may name its drive, never a stream of a file; an untrusted
  // page's file stays below the download folder, links there not followed.
  if (transfer::NamesStream(path) || (options_.untrustedPage && p::LinkBelow(options_.downloadFolder, path))) {
    FailItem(index, path, u"Refused name: " + it.fileName);
    return;
  }

  // Until an answer names the URL after its redirects (TransferCycles).
  s_.target->SetOrigin(p::DownloadOriginMark(it.url, options_.referrerUrl, options_.pageZone));
  s_.target->MakeFolders(path);
  if (folderEntry) {
    SetStatus(index, ItemState::kDone);
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
      SetStatus(index, ItemState::kFailed);
      Log(index, path, kLogError, -1, finalSize);
    } else if (end == ItemEnd::kCancelled) {
      Log(index, path, kLogCancelled, -1, finalSize);
    } else {
      SetStatus(index, ItemState::kDone);
      Log(index, path, kLogComplete, -1, finalSize);
    }
  }
  s_.target->Close();
}

bool DownloadEngine::OpenTarget(size_t index, const std::u16string& path, bool resume) {
  opened_ = s_.target->Open(path, resume);
  if (!opened_) {
    errorFlag_ = true;
    SetStatus(index, ItemState::kFailed);
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
  switch (ExistingFileAnswerOf(a.code)) {
    case ExistingFileAnswer::kOverwrite:
      applyAll(applyAllOverwrite_);
      resume = false;
      return true;
    case ExistingFileAnswer::kResume:
      applyAll(applyAllResume_);
      resume = true;
      return true;
    case ExistingFileAnswer::kSaveAs: {
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
      SetStatus(index, ItemState::kCancelled);
      progress_.AddProgress(it.fileSize, 0);
      s_.host->RefreshTexts();
      if (options_.singleMode) singleCancelled_ = true;
      return false;
  }
}

void DownloadEngine::Place(Counted& counted, int64_t done) {
  if (counted.reported) progress_.AddProgress(done - counted.done, 0);
  counted.done = done;
}

DownloadEngine::ItemEnd DownloadEngine::TransferCycles(size_t index, const std::u16string& path, bool resume) {
  const DownloadItem it = Item(index);
  Counted counted;
  counted.fileSize = it.fileSize;
  // Nothing to fetch: the empty file is the item.
  if (!it.sizeUnknown && it.fileSize <= 0) return ItemEnd::kComplete;

  TargetSink sink(*s_.target);
  transfer::HttpTransferRequest request([this](CHttpFile& file, const std::u16string& url, const std::u16string& headers) {
    file.OpenUrl(session_.Handle(), url, headers, p::inet::kFlagReload);
  });
  transfer::TransferPlan plan;
  plan.url = options_.urlEncode ? EncodeUrl(it.url, options_.utf8Urls) : it.url;
  plan.path = path;
  plan.append = resume;
  plan.resumeByQuery = options_.resumeByQuery;
  plan.size = it.sizeUnknown ? -1 : it.fileSize;
  plan.sizeFromAnswers = true;
  plan.sinkOpen = opened_;
  plan.cycleLimit = options_.cycleLimit;

  transfer::TransferHooks hooks;
  hooks.stop = [this] { return !SafePoint(); };
  hooks.cancelled = [this] { return cancel_.load(); };
  hooks.placed = [&](int64_t done) { Place(counted, done); };
  hooks.anew = [&] { Place(counted, 0); };
  hooks.sizeAnnounced = [&](int64_t size) {
    progress_.ChangeItemSize(size);
    {
      std::lock_guard lock(itemsMutex_);
      items_[index].fileSize = size;
      items_[index].sizeText = FormatSize(size);
    }
    counted.fileSize = size;
    s_.host->ItemChanged(index);
  };
  hooks.from = [this](const std::u16string& url) {
    s_.target->SetOrigin(p::DownloadOriginMark(url, options_.referrerUrl, options_.pageZone));
  };
  hooks.answered = [&](const transfer::Answer& a) {
    Log(index, path, kLogStarted, a.length.value_or(counted.fileSize), -1);
    SetStatus(index, ItemState::kTransferring);
    if (!counted.reported) {
      progress_.AddProgress(counted.done, 0);
      counted.reported = true;
      s_.host->RefreshTexts();
    }
  };
  hooks.block = [&](uint32_t available, uint32_t read, uint32_t written, int64_t done, double) {
    Debug(u"m_httpFile.GetLength(): %d\n", {available});
    Debug(u"try dwBytesRead = %d\n", {read});
    // What reached the file counts, also from a write that failed part way.
    const uint32_t w = sink.TakeWritten();
    if (w > 0) progress_.AddProgress(w, w);
    if (written > 0) Debug(u"dwBytesRead: %d, nLen: %d, nCurrentByte: %d\n", {read, written, done});
    counted.done = done;
  };
  return Settle(index, path, resume, counted, transfer::TransferMachine(request, sink, plan, hooks).Run());
}

DownloadEngine::ItemEnd DownloadEngine::Settle(size_t index, const std::u16string& path, bool resume, Counted& counted,
                                               const transfer::TransferOutcome& o) {
  using R = transfer::TransferReason;
  opened_ = o.open;
  // An answer that is not the file ends the item here.
  const auto early = [&](ItemState itemStatus) {
    SetStatus(index, itemStatus);
    if (!counted.reported) progress_.AddProgress(counted.done, 0);
    return ItemEnd::kEarly;
  };
  const auto fail = [&](const std::u16string& message) {
    errorFlag_ = true;
    if (!message.empty()) Log(index, path, message, o.offset, -1);
    SetStatus(index, ItemState::kFailed);
    return ItemEnd::kEarly;
  };
  switch (o.reason) {
    case R::kComplete:
      return ItemEnd::kComplete;
    case R::kStopped:
      return ItemEnd::kCancelled;
    case R::kRangeNotSatisfiable:
      // Nothing left to send: what is on disk, or an empty file, is the item.
      return opened_ || OpenTarget(index, path, resume) ? early(ItemState::kDone) : ItemEnd::kEarly;
    case R::kNotFound:
      Log(index, path, kLogNotFound, o.offset, -1);
      return early(ItemState::kCancelled);
    case R::kUnauthorized:
    case R::kForbidden:
    case R::kClientError:
    case R::kServerError:
      // Any other error page is not the file.
      errorFlag_ = true;
      Log(index, path, u"HTTP " + Decimal(o.status), o.offset, -1);
      return early(ItemState::kFailed);
    case R::kUnusableRange:
      return fail(u"Unusable Content-Range: " + o.detail);
    case R::kMisplacedRange:
      // Every answer named a place the file cannot take: nothing usable came.
      return fail(u"Misplaced Content-Range: " + o.detail);
    case R::kConnectFailed:
      s_.target->Close();
      opened_ = false;
      return fail(kLogConnectFailed);
    case R::kOpenFailed:
    case R::kBrokerUnreachable:
      return fail({});
    case R::kNoProgress:
      // The turn has had its requests: the item ends with what arrived, or
      // fails when nothing did.
      return o.position > 0 ? ItemEnd::kComplete : ItemEnd::kFailedRead;
    case R::kBodyBroken:
      Debug(u"Catch\n", {});
      return ItemEnd::kFailedRead;
    case R::kOverlongBody:
    case R::kBrokerLost:
      return ItemEnd::kFailedRead;
    case R::kSizeUnknown:
    case R::kCutFailed:
    case R::kWriteFailed:
      return ItemEnd::kFailedWrite;
  }
  return ItemEnd::kFailedRead;
}

}  // namespace vard

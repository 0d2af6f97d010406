#include "agent/jobs/DownloadJob.h"

#include <algorithm>

#include "agent/jobs/DownloadNotifier.h"
#include "agent/jobs/RateLimitSleep.h"
#include "common/handoff/SavedDownloads.h"
#include "common/http/InternetHandles.h"
#include "common/http/OneLineText.h"
#include "common/http/PageCookieOpen.h"
#include "common/platform/PathText.h"
#include "common/platform/UrlOrigin.h"
#include "common/respack/LanguageStore.h"
#include "common/text/Utf.h"
#include "common/transfer/HttpTransferRequest.h"
#include "common/transfer/SafeName.h"
#include "common/transfer/TransferMachine.h"

namespace vard {
namespace inet = platform::inet;

namespace {

// Log texts, written as they stand in every language.
constexpr char16_t kLogStarted[] = u"다운로드 시작";
constexpr char16_t kLogComplete[] = u"다운로드 완료";
constexpr char16_t kLogStopped[] = u"다운로드 중지";
constexpr char16_t kLogError[] = u"다운로드 에러";

constexpr char16_t kNoPermission[] = u"다운로드 권한이 없습니다.\n다음 파일의 다운로드를 진행합니다.";
constexpr char16_t kNoPermissionCaption[] = u"알림";
constexpr char16_t kWriteFailed[] = u"남은 용량이 부족하거나 다운로드에 실패하였습니다.";
constexpr uint32_t kWriteFailedCaption = 501;

constexpr uint32_t kRequestFlags =
    inet::kFlagReload | inet::kFlagNoCacheWrite | inet::kFlagKeepConnection | inet::kFlagNoCookies;

bool EndsWithSeparator(const std::u16string& s) { return !s.empty() && (s.back() == u'\\' || s.back() == u'/'); }

std::u16string Decimal(int64_t n) { return AsciiToUtf16(std::to_string(n)); }

// The worker's transfer lock for one scope.
class TransferLock {
 public:
  explicit TransferLock(IDownloadJobHost& host) : host_(host) { host_.EnterTransferLock(); }
  ~TransferLock() { host_.LeaveTransferLock(); }
  TransferLock(const TransferLock&) = delete;
  TransferLock& operator=(const TransferLock&) = delete;

 private:
  IDownloadJobHost& host_;
};

}  // namespace

// What one entry's turn works with.
struct DownloadJob::Turn {
  CDownloadFile& entry;
  IDownloadOutput& out;
  bool useBroker;
  std::u16string url;
  std::u16string path;
  bool append;
};

DownloadJob::DownloadJob(IDownloadJobHost& host, DownloadJobServices services)
    : host_(host), s_(std::move(services)), saved_(s_.savedDownloadsPath) {}

void DownloadJob::SetStatus(CDownloadFile& entry, EntryStatus status) {
  TransferLock lock(host_);
  entry.status = static_cast<int32_t>(status);
}

void DownloadJob::SetDone(CDownloadFile& entry, int64_t bytes) {
  TransferLock lock(host_);
  int64_t* job = host_.Counters().job_bytes_done;
  *job += bytes - entry.bytes_done;
  entry.bytes_done = bytes;
}

void DownloadJob::Log(const CDownloadFile& entry, const std::u16string& path, const std::u16string& message,
                      int64_t offset, int64_t finalSize) {
  if (!s_.log) return;
  LogEvent e;
  e.url = entry.url;
  e.fileSize = entry.file_size;
  e.path = path;
  e.offset = offset;
  e.finalSize = finalSize;
  e.message = message;
  s_.log(e);
}

void DownloadJob::LogIpc(const CDownloadFile& entry, const std::u16string& where, const std::u16string& message) {
  if (!s_.log) return;
  LogEvent e;
  e.url = u"IPC";
  e.fileSize = entry.file_size;
  e.path = where;
  e.message = message;
  s_.log(e);
}

void DownloadJob::Run(const EntryList& list, const std::u16string& saveFolder, const std::u16string& notifyUrl) {
  host_.Status(0);
  DownloadNotifier notifier(notifyUrl, *s_.clock, s_.log, s_.notifySession);
  int retry = 0;
  bool stopped = false;
  int32_t& index = host_.CurrentIndex();
  while (index >= 0 && static_cast<size_t>(index) < list.size()) {
    auto* entry = dynamic_cast<CDownloadFile*>(list[static_cast<size_t>(index)].get());
    // A finished entry is passed over without a request.
    if (!entry || StatusOf(*entry) == EntryStatus::kDone) {
      ++index;
      continue;
    }
    SetStatus(*entry, EntryStatus::kTransferring);
    host_.Status(3);
    FileEnd end;
    try {
      end = DownloadOneFile(*entry, saveFolder, retry);
    } catch (const CInternetException&) {
      SetStatus(*entry, EntryStatus::kFailed);
      end = FileEnd::kNetworkFailure;
    }
    if (end == FileEnd::kNetworkFailure) {
      const RetrySettings settings = host_.Retry();
      if (retry < static_cast<int>(settings.count) && host_.RetryCountdown(retry + 1, static_cast<int>(settings.seconds))) {
        ++retry;
        if (!host_.StopRequested()) continue;  // the same entry again
        end = FileEnd::kPause;
      }
    }
    if (StatusOf(*entry) != EntryStatus::kFailed && StatusOf(*entry) != EntryStatus::kWaiting) {
      SetStatus(*entry, end == FileEnd::kNormal  ? EntryStatus::kDone
                        : end == FileEnd::kPause ? EntryStatus::kStopped
                                                 : EntryStatus::kFailed);
      // The control hands the page's cookie over only with items on the
      // page's host: the item stands for the page, and `_session` carries
      // the cookie only where the item's own request could.
      const bool withCookie = platform::PageCookieMayGo(entry->url, notifyUrl);
      notifier.FileFinished(withCookie ? entry->cookie : std::u16string(), ReadField(entry->path), entry->file_size,
                            entry->utf8_names != 0);
    }
    host_.Status(4);
    if (host_.StopRequested()) {
      stopped = true;
      break;
    }
    ++index;
  }
  notifier.RunFinished();
  host_.Status(7);
  host_.RunEnded();
  if (!stopped) index = 0;
}

FileEnd DownloadJob::DownloadOneFile(CDownloadFile& entry, const std::u16string& saveFolder, int& retry) {
  if (StatusOf(entry) == EntryStatus::kDone) return FileEnd::kNormal;
  const std::u16string name = transfer::WithoutBidiControls(ReadField(entry.path));
  const std::u16string folder = transfer::WithoutBidiControls(ReadField(entry.folder));
  const std::u16string url = entry.url;
  // A hand-off's names must not lead out of the save folder, nor be too
  // deep for it, before any folder is made.
  if (!transfer::StaysInsideFolder(folder) || !transfer::StaysInsideFolder(name) ||
      !transfer::FitsInsideFolder(saveFolder, folder.empty() ? name : folder + u'\\' + name)) {
    SetStatus(entry, EntryStatus::kFailed);
    Log(entry, folder + name, u"Refused name");
    return FileEnd::kNormal;
  }

  const bool useBroker = s_.osMajorVersion() >= 6;
  IDownloadOutput& out = useBroker ? *s_.broker : *s_.direct;
  // A batch names no page: the URL is the file's whole origin, the one
  // after redirects once an answer names it (Transfer).
  out.SetOrigin(platform::DownloadOriginMark(url, u"", std::nullopt));
  switch (out.Prepare()) {
    case OutputReady::kReady:
      break;
    case OutputReady::kNotStarted:
      SetStatus(entry, EntryStatus::kFailed);
      LogIpc(entry, u"ExecuteFSB", u"the Pipe Server Execute Error");
      return FileEnd::kNormal;
    case OutputReady::kNotConnected:
      SetStatus(entry, EntryStatus::kFailed);
      LogIpc(entry, u"Connect", u"the PIPE Couldn't Connected");
      return FileEnd::kNormal;
  }

  std::u16string path = saveFolder;
  if (!EndsWithSeparator(path)) path += u'\\';
  path += folder;
  if (!EndsWithSeparator(path)) path += u'\\';
  path += name;
  const bool marker = entry.IsFolderMarker();
  if (marker) path += u"\\empty";
  std::replace(path.begin(), path.end(), u'/', u'\\');
  // Two separators in a row (an empty folder) are one.
  path.erase(std::unique(path.begin() + std::min<size_t>(path.size(), 2), path.end(),
                         [](char16_t a, char16_t b) { return a == u'\\' && b == u'\\'; }),
             path.end());

  // A file this job already made for the entry (an earlier attempt or
  // run) is continued without a question; after a change of the save
  // folder only a partial file stays where it is.
  if (!entry.KeepsLocalPath(saveFolder)) {
    TransferLock lock(host_);
    entry.local_path.clear();
    entry.local_folder = saveFolder;
  }
  const bool ours = !entry.local_path.empty();
  if (ours) path = entry.local_path;

  if (!out.MakeFolders(platform::ParentPath(path) + u"\\") && useBroker) {
    SetStatus(entry, EntryStatus::kFailed);
    Log(entry, path, u"CreateDirectory is faild");
    out.Release();
    return FileEnd::kNormal;
  }
  if (marker) {
    saved_.MarkDone(url);
    return FileEnd::kNormal;
  }

  ExistingFileAnswer action = ExistingFileAnswer::kNone;
  // The question concerns a file that is there; a remembered answer never
  // decides for a file that is not. A retry of an entry whose file is not
  // made yet goes on with the answer given for it.
  if (!ours && answered_.entry == &entry) {
    path = answered_.path;
    action = answered_.action;
  } else if (entry.bytes_done == 0 && !ours) {
    const ExistingFile existing = out.Exists(path);
    if (existing == ExistingFile::kFailed) {
      SetStatus(entry, EntryStatus::kFailed);
      Log(entry, path, out.FailureText());
      out.Release();
      return FileEnd::kNormal;
    }
    if (existing == ExistingFile::kExists) {
      // The view keeps the number as the dialog gave it.
      int32_t& remembered = host_.DuplicateAction();
      switch (host_.ExistingOption()) {
        case ExistingFileOption::kAsk: {
          const DuplicateReply reply = host_.AskDuplicate(path, entry.file_size);
          const ExistingFileAnswer answer = ExistingFileAnswerOf(reply.answer);
          remembered = reply.answer;
          if (reply.applyToAll && answer == ExistingFileAnswer::kOverwrite)
            host_.SetExistingOption(ExistingFileOption::kOverwrite);
          else if (reply.applyToAll && answer == ExistingFileAnswer::kResume)
            host_.SetExistingOption(ExistingFileOption::kResume);
          else
            host_.SetExistingOption(ExistingFileOption::kAsk);
          if (answer == ExistingFileAnswer::kSaveAs) {
            if (reply.newPath.empty()) {
              remembered = existing_file::kSkip;
            } else {
              path = reply.newPath;
              {
                TransferLock lock(host_);
                StoreField(entry.path, platform::LastPathComponent(path));
              }
              host_.Status(3);
            }
          }
          break;
        }
        case ExistingFileOption::kOverwrite:
          remembered = existing_file::kOverwrite;
          break;
        case ExistingFileOption::kResume:
          remembered = existing_file::kResume;
          break;
      }
      action = ExistingFileAnswerOf(remembered);
    }
    answered_ = {&entry, path, action};
  }
  if (action == ExistingFileAnswer::kSkip) {
    SetStatus(entry, EntryStatus::kWaiting);
    return FileEnd::kNormal;
  }
  const bool append = action == ExistingFileAnswer::kResume || entry.bytes_done > 0 || ours;

  if (entry.file_size <= 0) {
    // The empty file is the whole download.
    const bool made = out.Open(path, append);
    out.Close();
    if (useBroker) out.Release();
    if (!made) {
      SetStatus(entry, EntryStatus::kFailed);
      return FileEnd::kNormal;
    }
    {
      TransferLock lock(host_);
      entry.local_path = path;
    }
    saved_.MarkDone(url);
    return FileEnd::kNormal;
  }

  Turn turn{entry, out, useBroker, url, path, append};
  return Transfer(turn, retry);
}

FileEnd DownloadJob::Transfer(Turn& t, int& retry) {
  CDownloadFile& entry = t.entry;
  if (entry.bytes_done >= entry.file_size) return Settle(t, {});
  platform::IClock& clock = *s_.clock;
  const std::u16string cookie = OneLineOrNothing(entry.cookie, u"the hand-off's cookie");
  RateLimitSleep limit(clock, entry.speed_limit_kb);
  // The hand-off's cookie stays with its host, along every redirect.
  transfer::HttpTransferRequest request([&](CHttpFile& file, const std::u16string& url, const std::u16string& headers) {
    OpenUrlWithPageCookie(file, s_.session(), url, headers, cookie, kRequestFlags);
  });

  transfer::TransferPlan plan;
  plan.url = t.url;
  plan.path = t.path;
  plan.append = t.append;
  plan.resumeByQuery = entry.resume_by_query != 0;
  plan.size = entry.file_size;
  plan.reopenEachRequest = true;
  plan.doneWhenOnDiskWhole = true;
  plan.clock = &clock;

  transfer::TransferHooks hooks;
  hooks.stop = [this] { return host_.StopRequested(); };
  hooks.blockCap = [&limit] { return limit.BlockCap(); };
  hooks.placed = [&](int64_t position) { SetDone(entry, std::min(position, entry.file_size)); };
  hooks.refetching = [&](const std::u16string& range, int64_t onDisk) {
    Log(entry, t.path, u"Misplaced Content-Range: " + range, onDisk);
  };
  hooks.from = [&t](const std::u16string& url) {
    t.out.SetOrigin(platform::DownloadOriginMark(url, u"", std::nullopt));
  };
  hooks.answered = [&](const transfer::Answer& a) {
    if (entry.local_path.empty()) {
      TransferLock lock(host_);
      entry.local_path = t.path;
    }
    Log(entry, t.path, kLogStarted, a.onDisk);
  };
  // One block's write and its counts move under the transfer lock.
  hooks.enterBlock = [this] { host_.EnterTransferLock(); };
  hooks.leaveBlock = [this] { host_.LeaveTransferLock(); };
  hooks.block = [&](uint32_t, uint32_t, uint32_t written, int64_t, double seconds) {
    const DownloadCounters c = host_.Counters();
    *c.run_seconds += seconds;
    entry.bytes_done += written;
    *c.run_bytes += written;
    *c.job_bytes_done += written;
  };
  hooks.paced = [&](uint32_t read, double seconds) {
    limit.Count(read, seconds);
    if (!limit.Limited()) return;
    const double slept = limit.Sleep([this] { return !host_.StopRequested() && host_.Running(); });
    TransferLock lock(host_);
    *host_.Counters().run_seconds += slept;
  };
  // Retries start over only when the file grows past what this turn had.
  hooks.grew = [&retry] { retry = 0; };
  hooks.bodyEnded = [&] { Log(entry, t.path, kLogComplete, -1, t.out.SeekToEnd()); };
  return Settle(t, transfer::TransferMachine(request, t.out, plan, hooks).Run());
}

FileEnd DownloadJob::Settle(Turn& t, const transfer::TransferOutcome& o) {
  using R = transfer::TransferReason;
  CDownloadFile& entry = t.entry;
  IDownloadOutput& out = t.out;
  switch (o.reason) {
    case R::kComplete:
      saved_.MarkDone(t.url);
      break;
    case R::kBrokerUnreachable:
      LogIpc(entry, u"Connect", u"the PIPE Couldn't Connected");
      break;
    case R::kUnauthorized:
    case R::kForbidden:
      host_.Message(kNoPermission, kNoPermissionCaption);
      Log(entry, t.path, o.reason == R::kUnauthorized ? u"401 Unauthorized" : u"403 Forbidden");
      break;
    case R::kNotFound:
      Log(entry, t.path, u"404 Not Found");
      break;
    case R::kRangeNotSatisfiable:
      Log(entry, t.path, u"416 Requested range not satisfiable");
      break;
    case R::kClientError:
    case R::kServerError:
      Log(entry, t.path, u"HTTP " + Decimal(o.status), o.offset);
      break;
    case R::kUnusableRange:
      Log(entry, t.path, u"Unusable Content-Range: " + o.detail, o.offset);
      break;
    case R::kSizeUnknown:
    case R::kCutFailed:
      if (const std::u16string why = out.FailureText(); !why.empty()) Log(entry, t.path, why);
      break;
    case R::kBodyBroken:
    case R::kBrokerLost:
    case R::kOverlongBody:
    case R::kWriteFailed:
      Log(entry, t.path, kLogError, -1, out.SeekToEnd());
      break;
    case R::kStopped:
      Log(entry, t.path, kLogStopped, -1, out.SeekToEnd());
      break;
    case R::kConnectFailed:
    case R::kOpenFailed:
    case R::kMisplacedRange:  // each refetch said so already
    case R::kNoProgress:
      break;
  }
  if (o.reason == R::kBrokerUnreachable) {
    SetStatus(entry, EntryStatus::kFailed);
    return FileEnd::kNormal;
  }
  out.Close();
  // A broken body, a server that may recover or a broker that went away:
  // the retry appends from what reached the disk, with a broker started
  // anew if need be. A stop or a full disk pauses the run.
  const bool retry = transfer::ShouldRetry(o.reason);
  const bool pause = o.reason == R::kWriteFailed || o.reason == R::kStopped;
  const bool failed = !retry && !pause && o.reason != R::kComplete;
  if ((retry || failed) && t.useBroker) out.Release();
  // A request that got no answer fails the entry, as a retry starts.
  if (failed || o.reason == R::kConnectFailed) SetStatus(entry, EntryStatus::kFailed);
  if (o.reason == R::kWriteFailed) host_.Message(kWriteFailed, LanguageStore::Instance().Text(kWriteFailedCaption));
  return retry ? FileEnd::kNetworkFailure : pause ? FileEnd::kPause : FileEnd::kNormal;
}

}  // namespace vard

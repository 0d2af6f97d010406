#include "agent/jobs/DownloadJob.h"

#include <algorithm>
#include <optional>

#include "agent/jobs/DownloadNotifier.h"
#include "agent/jobs/RateLimitSleep.h"
#include "common/handoff/SavedDownloads.h"
#include "common/http/InternetHandles.h"
#include "common/http/OneLineText.h"
#include "common/http/PageCookieOpen.h"
#include "common/platform/PathText.h"
#include "common/respack/LanguageStore.h"
#include "common/text/Utf.h"
#include "common/transfer/BodyBounds.h"
#include "common/transfer/BodyPlacement.h"
#include "common/transfer/ResumeRequest.h"
#include "common/transfer/SafeName.h"
#include "common/transfer/TurnProgress.h"

namespace vard {
namespace inet = platform::inet;
using transfer::BodyTarget;

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
    : host_(host), s_(std::move(services)) {}

void DownloadJob::SetStatus(CDownloadFile& entry, int32_t status) {
  TransferLock lock(host_);
  entry.status = status;
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
  e.url = ReadField(entry.url);
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
    if (!entry || entry->status == entry_status::kDone) {
      ++index;
      continue;
    }
    SetStatus(*entry, entry_status::kTransferring);
    host_.Status(3);
    FileEnd end;
    try {
      end = DownloadOneFile(*entry, saveFolder, retry);
    } catch (const CInternetException&) {
      SetStatus(*entry, entry_status::kFailed);
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
    if (entry->status != entry_status::kFailed && entry->status != entry_status::kWaiting) {
      SetStatus(*entry, end == FileEnd::kNormal  ? entry_status::kDone
                        : end == FileEnd::kPause ? entry_status::kStopped
                                                 : entry_status::kFailed);
      notifier.FileFinished(ReadField(entry->cookie), ReadField(entry->path), entry->file_size, entry->utf8_names != 0);
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
  if (entry.status == entry_status::kDone) return FileEnd::kNormal;
  const std::u16string name = transfer::WithoutBidiControls(ReadField(entry.path));
  const std::u16string folder = transfer::WithoutBidiControls(ReadField(entry.folder));
  const std::u16string url = ReadField(entry.url);
  // A hand-off's names must not lead out of the save folder, nor be too
  // deep for it, before any folder is made.
  if (!transfer::StaysInsideFolder(folder) || !transfer::StaysInsideFolder(name) ||
      !transfer::FitsInsideFolder(saveFolder, folder.empty() ? name : folder + u'\\' + name)) {
    SetStatus(entry, entry_status::kFailed);
    Log(entry, folder + name, u"Refused name");
    return FileEnd::kNormal;
  }

  const bool useBroker = s_.osMajorVersion() >= 6;
  IDownloadOutput& out = useBroker ? *s_.broker : *s_.direct;
  // A batch names no page: the record's URL is the file's whole origin.
  out.SetOrigin(platform::MakeOriginMark(url, u"", platform::ZoneOfUrl(url)));
  switch (out.Prepare()) {
    case OutputReady::kReady:
      break;
    case OutputReady::kNotStarted:
      SetStatus(entry, entry_status::kFailed);
      LogIpc(entry, u"ExecuteFSB", u"the Pipe Server Execute Error");
      return FileEnd::kNormal;
    case OutputReady::kNotConnected:
      SetStatus(entry, entry_status::kFailed);
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
    SetStatus(entry, entry_status::kFailed);
    Log(entry, path, u"CreateDirectory is faild");
    out.Release();
    return FileEnd::kNormal;
  }
  if (marker) {
    if (!s_.savedDownloadsPath.empty()) MarkSavedDownloadDone(s_.savedDownloadsPath, url);
    return FileEnd::kNormal;
  }

  int32_t action = existing_file::kNone;
  // The question concerns a file that is there; a remembered answer never
  // decides for a file that is not. A retry of an entry whose file is not
  // made yet goes on with the answer given for it.
  if (!ours && answered_.entry == &entry) {
    path = answered_.path;
    action = answered_.action;
  } else if (entry.bytes_done == 0 && !ours) {
    const ExistingFile existing = out.Exists(path);
    if (existing == ExistingFile::kFailed) {
      SetStatus(entry, entry_status::kFailed);
      Log(entry, path, out.FailureText());
      out.Release();
      return FileEnd::kNormal;
    }
    if (existing == ExistingFile::kExists) {
      int32_t& remembered = host_.DuplicateAction();
      switch (host_.ExistingOption()) {
        case ExistingFileOption::kAsk: {
          const DuplicateReply reply = host_.AskDuplicate(path, entry.file_size);
          remembered = reply.answer;
          if (reply.applyToAll && reply.answer == existing_file::kOverwrite)
            host_.SetExistingOption(ExistingFileOption::kOverwrite);
          else if (reply.applyToAll && reply.answer == existing_file::kResume)
            host_.SetExistingOption(ExistingFileOption::kResume);
          else
            host_.SetExistingOption(ExistingFileOption::kAsk);
          if (reply.answer == existing_file::kSaveAs) {
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
      action = remembered;
    }
    answered_ = {&entry, path, action};
  }
  if (action == existing_file::kSkip) {
    SetStatus(entry, entry_status::kWaiting);
    return FileEnd::kNormal;
  }
  const bool append = action == existing_file::kResume || entry.bytes_done > 0 || ours;

  if (entry.file_size <= 0) {
    // The empty file is the whole download.
    const bool made = out.Open(path, append);
    out.Close();
    if (useBroker) out.Release();
    if (!made) {
      SetStatus(entry, entry_status::kFailed);
      return FileEnd::kNormal;
    }
    {
      TransferLock lock(host_);
      entry.local_path = path;
    }
    if (!s_.savedDownloadsPath.empty()) MarkSavedDownloadDone(s_.savedDownloadsPath, url);
    return FileEnd::kNormal;
  }

  Turn turn{entry, out, useBroker, url, path, append};
  return Transfer(turn, retry);
}

FileEnd DownloadJob::Transfer(Turn& t, int& retry) {
  CDownloadFile& entry = t.entry;
  IDownloadOutput& out = t.out;
  platform::IClock& clock = *s_.clock;
  const std::u16string cookie = OneLineOrNothing(ReadField(entry.cookie), u"the hand-off's cookie");
  RateLimitSleep limit(clock, entry.speed_limit_kb);
  std::optional<transfer::TurnProgress> turn;
  // Fails the entry where it stands, letting go of what is open.
  const auto fail = [&](const std::u16string& message, int64_t offset = -1) {
    out.Close();
    if (t.useBroker) out.Release();
    SetStatus(entry, entry_status::kFailed);
    if (!message.empty()) Log(entry, t.path, message, offset);
    return FileEnd::kNormal;
  };
  // The turn is over without the file: the retry path with its countdown.
  const auto giveUp = [&] {
    out.Close();
    if (t.useBroker) out.Release();
    return FileEnd::kNetworkFailure;
  };

  while (entry.bytes_done < entry.file_size) {
    if (out.Prepare() != OutputReady::kReady) {
      SetStatus(entry, entry_status::kFailed);
      LogIpc(entry, u"Connect", u"the PIPE Couldn't Connected");
      return FileEnd::kNormal;
    }

    std::u16string requestUrl = t.url;
    std::u16string headers;
    std::optional<int64_t> rangeFrom;
    int64_t onDisk = 0;
    // A file to append to is opened for its size; a file made anew is made
    // (or emptied) only once the answer is the file.
    bool opened = false;
    if (t.append) {
      if (!out.Open(t.path, true)) return fail({});
      opened = true;
      onDisk = out.SeekToEnd();
      if (onDisk < 0) return fail(out.FailureText());
      transfer::ResumeAsk ask = transfer::ResumeFrom(t.url, onDisk, entry.resume_by_query != 0);
      requestUrl = std::move(ask.url);
      headers = std::move(ask.header);
      rangeFrom = ask.rangeFrom;
      SetDone(entry, std::min(onDisk, entry.file_size));
      if (entry.bytes_done >= entry.file_size) {
        out.Close();
        break;
      }
    }
    if (!turn) turn.emplace(onDisk);
    CHttpFile request;
    uint32_t status = 0;
    try {
      // The hand-off's cookie stays with its host, along every redirect.
      OpenUrlWithPageCookie(request, s_.session(), requestUrl, headers, cookie, kRequestFlags);
      request.QueryInfoNumber(inet::kQueryStatusCode | inet::kQueryFlagNumber, status);
    } catch (const CInternetException&) {
      fail({});
      return FileEnd::kNetworkFailure;
    }
    if (status == 401 || status == 403) {
      host_.Message(kNoPermission, kNoPermissionCaption);
      return fail(status == 401 ? u"401 Unauthorized" : u"403 Forbidden");
    }
    if (status == 404) return fail(u"404 Not Found");
    if (status == 416) return fail(u"416 Requested range not satisfiable");
    switch (transfer::ClassifyStatus(status)) {
      case transfer::AnswerClass::kServerError:
        // The server may recover: the retry path, the file untouched.
        out.Close();
        if (t.useBroker) out.Release();
        Log(entry, t.path, u"HTTP " + Decimal(status), onDisk);
        return FileEnd::kNetworkFailure;
      case transfer::AnswerClass::kClientError:
        return fail(u"HTTP " + Decimal(status), onDisk);
      case transfer::AnswerClass::kBody:
        break;
    }

    // Where the body goes and how far: the answer decides, never the request.
    std::u16string rangeText, lengthText;
    const bool hasRange = request.QueryInfoText(inet::kQueryContentRange, rangeText);
    std::optional<int64_t> length;
    if (request.QueryInfoText(inet::kQueryContentLength, lengthText)) length = transfer::ParseContentLength(lengthText);
    const transfer::Placement place = transfer::PlaceBody(
        {rangeFrom, t.append && entry.resume_by_query != 0, onDisk,
         hasRange ? std::optional<std::u16string_view>(rangeText) : std::nullopt, length, entry.file_size});
    if (place.target == BodyTarget::kUnusable) return fail(u"Unusable Content-Range: " + rangeText, onDisk);
    if (place.target == BodyTarget::kRefetch) {
      // Not where the file can take it: the whole file, asked for anew (the
      // file is emptied by the answer that is the file).
      Log(entry, t.path, u"Misplaced Content-Range: " + rangeText, onDisk);
      out.Close();
      t.append = false;
      if (!turn->Again(0)) return giveUp();
      continue;
    }
    if (!opened) {
      if (!out.Open(t.path, false)) return fail({});
      opened = true;
      SetDone(entry, 0);
    } else if (place.target == BodyTarget::kWriteAt || place.target == BodyTarget::kFromStart) {
      const int64_t at = place.target == BodyTarget::kWriteAt ? place.offset : 0;
      if (!out.SeekTo(at)) return fail(out.FailureText());
      SetDone(entry, std::min(at, entry.file_size));
    }
    if (entry.local_path.empty()) {
      TransferLock lock(host_);
      entry.local_path = t.path;
    }

    Log(entry, t.path, kLogStarted, onDisk);

    transfer::BodyBounds bounds(place);
    bool readFailed = false, stopped = false;
    WriteResult written = WriteResult::kWritten;
    const double frequency = static_cast<double>(clock.PerfFrequency());
    try {
      for (;;) {
        if (host_.StopRequested()) {
          stopped = true;
          break;
        }
        const int64_t started = clock.PerfCounter();
        const uint32_t n = std::min(request.QueryDataAvailable(), limit.BlockCap());
        if (buffer_.size() < static_cast<size_t>(n) + 1) buffer_.resize(static_cast<size_t>(n) + 1);
        const uint32_t r = n ? request.Read(buffer_.data(), n) : 0;
        const uint32_t allowed = bounds.Take(r);
        const double seconds = (clock.PerfCounter() - started) / frequency;
        {
          TransferLock lock(host_);
          const DownloadCounters c = host_.Counters();
          *c.run_seconds += seconds;
          if (allowed > 0) written = out.Write(buffer_.data(), allowed);
          if (allowed > 0 && written == WriteResult::kWritten) {
            entry.bytes_done += allowed;
            *c.run_bytes += allowed;
            *c.job_bytes_done += allowed;
          }
        }
        if (r == 0 || bounds.Surplus() || written != WriteResult::kWritten) break;
        // Retries start over only when the file grows past what this turn
        // already had, not for bytes that rewrite it.
        if (turn->Beyond(bounds.Position())) retry = 0;
        limit.Count(r, seconds);
        if (limit.Limited()) {
          const double slept = limit.Sleep([this] { return !host_.StopRequested() && host_.Running(); });
          TransferLock lock(host_);
          *host_.Counters().run_seconds += slept;
        }
      }
    } catch (const CInternetException&) {
      readFailed = true;
    }
    request.Close();
    if (written == WriteResult::kWritten) written = out.Flush();
    const int64_t finalSize = out.SeekToEnd();

    if (readFailed || written == WriteResult::kLost || (bounds.Surplus() && !bounds.WholeFileAgain())) {
      // A broken body (cut, or longer than its answer said) or a broker that
      // went away: the retry appends from what reached the disk, with a
      // broker started anew if need be.
      Log(entry, t.path, kLogError, -1, finalSize);
      if (turn->Beyond(bounds.Position())) retry = 0;
      out.Close();
      if (t.useBroker) out.Release();
      return FileEnd::kNetworkFailure;
    }
    if (written == WriteResult::kFailed) {
      Log(entry, t.path, kLogError, -1, finalSize);
      out.Close();
      host_.Message(kWriteFailed, LanguageStore::Instance().Text(kWriteFailedCaption));
      return FileEnd::kPause;
    }
    if (stopped) {
      Log(entry, t.path, kLogStopped, -1, finalSize);
      out.Close();
      return FileEnd::kPause;
    }
    if (bounds.WholeFileAgain()) {
      // A query resume answered with the whole file: what it appended goes,
      // and the file starts anew with the next answer that is the file.
      if (!out.SeekTo(onDisk)) return fail(out.FailureText());
      SetDone(entry, std::min(onDisk, entry.file_size));
      out.Close();
      t.append = false;
      if (!turn->Again(0)) return giveUp();
      continue;
    }
    Log(entry, t.path, kLogComplete, -1, finalSize);
    out.Close();
    // A body that ended early is asked for again from the new size, as long
    // as the requests move the end of the file forward.
    if (entry.bytes_done < entry.file_size && !turn->Again(bounds.Position())) return giveUp();
    t.append = true;
  }
  if (!s_.savedDownloadsPath.empty()) MarkSavedDownloadDone(s_.savedDownloadsPath, t.url);
  return FileEnd::kNormal;
}

}  // namespace vard

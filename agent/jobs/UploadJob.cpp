#include "agent/jobs/UploadJob.h"

#include <algorithm>

#include "agent/jobs/DownloadNotifier.h"
#include "agent/jobs/ThreadManager.h"
#include "agent/jobs/UploadAnswer.h"
#include "common/http/HttpFormPost.h"
#include "common/platform/CodePage.h"
#include "common/platform/ContentType.h"
#include "common/platform/Http.h"
#include "common/platform/PathText.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

using Pause = CInternetThreadBase::ExceptionPause;

// The local file could not give the bytes the part announced: it cannot be
// read, or it shrank since it was measured.
struct FileFailure {};

// Answers from this status on refuse the request.
constexpr uint32_t kFirstRefusal = 400;

// The worker's transfer lock for one scope.
class TransferLock {
 public:
  explicit TransferLock(IUploadJobHost& host) : host_(host) { host_.EnterTransferLock(); }
  ~TransferLock() { host_.LeaveTransferLock(); }
  TransferLock(const TransferLock&) = delete;
  TransferLock& operator=(const TransferLock&) = delete;

 private:
  IUploadJobHost& host_;
};

void AddPostData(CHttpFormPost& form, const CUploadFile& entry) {
  const int count = entry.PostPairCount();
  for (int i = 0; i < count; ++i) form.AddTextField(ReadField(entry.pairs[i].name), ReadField(entry.pairs[i].value));
}

// A refused answer counts as a failed request: the server did not take it.
// So does none at all (a connection dropped before the answer, which some
// HTTP stacks end without an error).
void CheckAnswer(const CHttpFormPost& form) {
  if (form.AnswerStatus() == 0 || form.AnswerStatus() >= kFirstRefusal)
    throw CInternetException(nullptr, u"The server refused the request (%u)", {form.AnswerStatus()});
}

}  // namespace

UploadJob::UploadJob(IUploadJobHost& host, UploadJobServices services) : host_(host), s_(std::move(services)) {
  if (!s_.setCookie) s_.setCookie = [](const std::u16string& url, const std::u16string& data) {
    return platform::SetCookie(url, u"", data);
  };
}

void UploadJob::SetStatus(CUploadFile& entry, int32_t status) {
  TransferLock lock(host_);
  entry.status = status;
}

void UploadJob::SetDone(CUploadFile& entry, int64_t bytes) {
  TransferLock lock(host_);
  int64_t* job = host_.Counters().job_bytes_done;
  *job += bytes - entry.bytes_done;
  entry.bytes_done = bytes;
}

void UploadJob::Log(const CUploadFile& entry, const std::u16string& message) {
  if (!s_.log) return;
  LogEvent e;
  e.url = ReadField(entry.action_url);
  e.fileSize = entry.file_size;
  e.path = ReadField(entry.path);
  e.message = message;
  s_.log(e);
}

void UploadJob::SetCookie(const CUploadFile& entry) {
  const std::u16string cookie = ReadField(entry.cookie);
  if (cookie.empty()) return;
  const std::u16string site = AgentSettings(*s_.registry).CookieSite(ReadField(entry.action_url));
  if (!s_.setCookie(site, cookie)) Log(entry, u"The cookie could not be set for " + site);
}

void UploadJob::Run(const EntryList& list, const std::u16string& notifyUrl) {
  host_.Status(kStatusRunStart);
  DownloadNotifier notifier(notifyUrl, *s_.clock, s_.log);
  bool stopped = false;
  int32_t& index = host_.CurrentIndex();
  while (index >= 0 && static_cast<size_t>(index) < list.size()) {
    auto* entry = dynamic_cast<CUploadFile*>(list[static_cast<size_t>(index)].get());
    if (entry) {
      host_.PartSize() = entry->part_size;
      if (entry->status != entry_status::kDone) UploadOne(*entry, notifier);
    }
    if (host_.StopRequested()) {
      stopped = true;
      break;
    }
    ++index;
  }
  notifier.RunFinished();
  host_.Status(kStatusRunEnd);
  if (!stopped) index = 0;
}

void UploadJob::UploadOne(CUploadFile& entry, DownloadNotifier& notifier) {
  const std::u16string path = ReadField(entry.path);
  const bool folder = entry.is_folder != 0;
  std::unique_ptr<platform::IFile> file;
  if (!folder) {
    file = s_.files->Open(path, platform::access::kRead, platform::share::kRead | platform::share::kWrite,
                          platform::Disposition::kOpenExisting, 0);
    const int64_t size = file ? file->Size() : -1;
    // Missing, or there but unreadable: nothing could be sent.
    if (size < 0) {
      Log(entry, s_.files->Find(path) ? u"The file cannot be read" : u"The file is missing");
      SetStatus(entry, entry_status::kFailed);
      host_.Status(kStatusFileEnd);
      return;
    }
    TransferLock lock(host_);
    entry.file_size = size;
  }

  bool send = false;
  try {
    send = GetFileInfo(entry);
    if (!send) SetStatus(entry, entry_status::kStopped);
  } catch (const CInternetException& e) {
    Log(entry, u"getFileInfo failed: " + e.message);
    SetStatus(entry, entry_status::kFailed);
  }
  if (send && file && !file->Seek(entry.bytes_done, platform::SeekFrom::kBegin, nullptr)) {
    Log(entry, u"The file cannot be read");
    SetStatus(entry, entry_status::kFailed);
    send = false;
  }
  if (!send) file.reset();
  host_.Status(kStatusAskInfoAfter);
  // A folder keeps what its question decided, as a file does.
  if (!send) return;

  SetStatus(entry, entry_status::kTransferring);
  host_.Status(kStatusFileStart);
  const int32_t outcome = folder ? entry_status::kDone : SendFile(entry, *file);
  SetStatus(entry, outcome);
  host_.Status(kStatusFileEnd);
  file.reset();
  if (outcome == entry_status::kDone)
    notifier.FileFinished(ReadField(entry.cookie), path, entry.file_size, entry.utf8_names != 0);
}

bool UploadJob::GetFileInfo(CUploadFile& entry) {
  host_.Status(kStatusAskInfoBefore);
  SetCookie(entry);
  const std::u16string lastComponent = entry.ShownName();
  int32_t& action = host_.DuplicateAction();
  uint8_t& applyToAll = host_.ApplyToAll();
  // Until the server names it, the file keeps its own name there.
  if (entry.server_name[0] == 0) {
    TransferLock lock(host_);
    StoreField(entry.server_name, lastComponent);
  }
  std::u16string chosenName;
  bool autoRename = false;
  int64_t offset = 0;
  bool result = true;
  for (;;) {
    CHttpFormPost form(entry.utf8_names != 0, *s_.clock);
    if (s_.session) form.UseSession(s_.session());
    bool askRound = true;
    form.AddTextField(u"_action", u"getFileInfo");
    form.AddNumberField(u"_filesize", entry.file_size);
    form.AddTextField(u"_folder", ReadField(entry.folder));
    if (entry.bytes_done == 0 && !chosenName.empty()) {
      {
        TransferLock lock(host_);
        StoreField(entry.server_name, chosenName);
      }
      form.AddTextField(u"_filename", ReadField(entry.server_name));
    } else if (entry.bytes_done == 0) {
      form.AddTextField(u"_filename", lastComponent);
      form.AddTextField(u"_askrename", u"yes");
    } else {
      // A continued upload names the file the server keeps for it.
      form.AddTextField(u"_filename", lastComponent);
      form.AddTextField(u"_newname", ReadField(entry.server_name));
      action = existing_file::kResume;
      askRound = false;
    }
    if (autoRename) form.AddTextField(u"_autorename", u"yes");
    if (entry.is_folder) form.AddTextField(u"_isfolder", u"yes");
    AddPostData(form, entry);
    const std::u16string text = form.Post(ReadField(entry.action_url));
    CheckAnswer(form);

    const FileInfoAnswer answer = ParseFileInfoAnswer(text);
    offset = answer.fileSize;
    if (!answer.fileName.empty()) {
      TransferLock lock(host_);
      StoreField(entry.server_name, answer.fileName);
    }
    if (!askRound) break;
    if (!answer.askRename) {
      if (!applyToAll) action = existing_file::kResume;
      break;
    }
    if (applyToAll) break;
    UploadExistsQuestion question;
    question.filePath = entry.ShownPath();
    question.newSize = entry.file_size;
    question.existingSize = answer.fileSize;
    if (answer.fileTime) question.existingTime = platform::LocalCalendarTime(*answer.fileTime);
    question.resumeAllowed = answer.fileSize > 0 && answer.fileSize <= entry.file_size;
    const UploadExistsAnswer reply = host_.AskExists(question);
    action = reply.action;
    if (reply.action == existing_file::kSaveAs) {
      // A new round under the new name; without a name there is nothing to ask.
      if (reply.rename.name.empty() || host_.StopRequested()) {
        action = existing_file::kSkip;
      } else {
        chosenName = reply.rename.name;
        autoRename = reply.rename.choice == rename_choice::kAutoRename;
        continue;
      }
    }
    applyToAll = reply.applyToAll ? 1 : 0;
    break;
  }
  if (action == existing_file::kSkip) {
    result = false;
    offset = 0;
  } else if (action == existing_file::kOverwrite) {
    offset = 0;
  }
  // The server cannot hold more of the file than there is: start over.
  if (offset > entry.file_size) offset = 0;
  SetDone(entry, offset);
  {
    TransferLock lock(host_);
    StoreField(entry.resume_mark, offset > 0 ? u"y" : u"n");
  }
  return result;
}

int32_t UploadJob::SendFile(CUploadFile& entry, platform::IFile& file) {
  int partNo = 0;
  int retry = 1;
  while (entry.bytes_done < entry.file_size) {
    if (host_.StopRequested()) return entry_status::kStopped;
    const int64_t partStart = entry.bytes_done;
    try {
      SendPart(entry, partNo, file);
      ++partNo;
      retry = 1;
      continue;
    } catch (const Pause&) {
      return entry_status::kStopped;
    } catch (const FileFailure&) {
      Log(entry, u"The file cannot be read to its announced size");
      return entry_status::kFailed;
    } catch (const CInternetException& e) {
      Log(entry, u"Part " + AsciiToUtf16(std::to_string(partNo)) + u" failed: " + e.message);
    }
    // The part is sent again whole: the server must never get it shifted.
    if (!file.Seek(partStart, platform::SeekFrom::kBegin, nullptr)) return entry_status::kFailed;
    SetDone(entry, partStart);
    const RetrySettings settings = host_.Retry();
    const bool countedDown = host_.RetryCountdown(static_cast<int>(settings.seconds));
    if (host_.StopRequested()) return entry_status::kStopped;
    if (!countedDown || retry >= static_cast<int>(settings.count)) return entry_status::kFailed;
    ++retry;
  }
  return entry_status::kDone;
}

void UploadJob::SendPart(CUploadFile& entry, int partNo, platform::IFile& file) {
  host_.Status(kStatusPartBefore);
  int32_t partSize = host_.PartSize();
  // A part size that moves nothing would never end the file.
  if (partSize <= 0) partSize = CInternetThreadImpl::kDefaultPartSize;
  const int64_t length = std::min<int64_t>(partSize, entry.file_size - entry.bytes_done);
  const std::u16string path = entry.ShownPath();
  const std::u16string header = u"\r\nContent-Disposition: form-data; name=\"_file\"; filename=\"" + path +
                                u"\"\r\nContent-Type: " + platform::ContentTypeOf(*s_.registry, path) +
                                u"\r\n\r\n";
  const std::string headerBytes = entry.utf8_names ? Utf16ToUtf8(header) : platform::Utf16ToAnsi(header);

  SetCookie(entry);
  CHttpFormPost form(false, *s_.clock);
  if (s_.session) form.UseSession(s_.session());
  form.AddTextField(u"_action", u"attachFile");
  form.AddNumberField(u"_partno", partNo);
  form.AddTextField(u"_resume", ReadField(entry.resume_mark));
  form.AddTextField(u"_filename", ReadField(entry.server_name));
  form.AddNumberField(u"_filesize", entry.file_size);
  form.AddTextField(u"_folder", ReadField(entry.folder));
  AddPostData(form, entry);

  if (buffer_.size() < kBlockSize) buffer_.resize(kBlockSize);
  platform::IClock& clock = *s_.clock;
  const double frequency = static_cast<double>(clock.PerfFrequency());
  form.PostWithFile(ReadField(entry.action_url), headerBytes, static_cast<uint64_t>(length),
                    [&](const CHttpFormPost::DataWriter& write) {
                      int64_t sent = 0;
                      while (sent < length) {
                        const auto want = static_cast<uint32_t>(std::min<int64_t>(kBlockSize, length - sent));
                        uint32_t got = 0;
                        // Ends at the file's end, never beyond the part.
                        if (!file.Read(buffer_.data(), want, &got) || got == 0) throw FileFailure{};
                        const int64_t started = clock.PerfCounter();
                        write(buffer_.data(), got);
                        const double seconds = (clock.PerfCounter() - started) / frequency;
                        {
                          TransferLock lock(host_);
                          const DownloadCounters c = host_.Counters();
                          *c.run_seconds += seconds;
                          entry.bytes_done += got;
                          *c.run_bytes += got;
                          *c.job_bytes_done += got;
                        }
                        sent += got;
                        if (host_.StopRequested()) throw Pause{};
                      }
                    });
  CheckAnswer(form);
  host_.Status(kStatusPartAfter);
}

}  // namespace vard

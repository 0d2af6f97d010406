#pragma once
// The agent's upload job: what the upload worker runs on its thread. It
// walks the view's list from the worker's current index and, for each
// entry, asks the server about the file (getFileInfo), settles with the user
// what to do with a file the server already has, then sends the file in
// parts, each one multipart POST ("attachFile") with the file section first.
// A part that fails is tried again from its first byte after the retry
// countdown. Finished files and the run's end are told to the page's server.
//
// Owned by the upload worker; every call runs on the worker thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/ListEntries.h"
#include "agent/jobs/UploadJobHost.h"
#include "common/log/DiagnosticLog.h"
#include "common/platform/Clock.h"
#include "common/platform/Http.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/Registry.h"

namespace vard {

class DownloadNotifier;

struct UploadJobServices {
  platform::IClock* clock = nullptr;
  platform::IFileSystem* files = nullptr;
  // Retry settings, content types, the cookie's site.
  platform::IRegistry* registry = nullptr;
  // Sets a cookie for a site (url, data); the platform's store by default.
  std::function<bool(const std::u16string& url, const std::u16string& data)> setCookie;
  std::function<void(const LogEvent&)> log;
  // The worker's open session, which a stop closes to break a blocked post;
  // null: each post opens its own.
  std::function<platform::InternetHandle()> session;
};

class UploadJob {
 public:
  // File bytes per network write. Small writes cost system calls each;
  // this size still answers a stop within a few milliseconds at loopback
  // speed (a slow link is cut by its send timeout or the stop's close).
  static constexpr uint32_t kBlockSize = 256 * 1024;

  UploadJob(IUploadJobHost& host, UploadJobServices services);

  // The worker's run.
  void Run(const EntryList& list, const std::u16string& notifyUrl);

 private:
  void UploadOne(CUploadFile& entry, DownloadNotifier& notifier);
  // true: send the file; false: skip it. Throws CInternetException.
  bool GetFileInfo(CUploadFile& entry);
  // The entry's new status: 4 sent, 2 stopped, 0 failed.
  int32_t SendFile(CUploadFile& entry, platform::IFile& file);
  // Throws CInternetException, ExceptionPause or FileFailure.
  void SendPart(CUploadFile& entry, int partNo, platform::IFile& file);

  void SetCookie(const CUploadFile& entry);
  void SetStatus(CUploadFile& entry, int32_t status);
  // bytes_done of the entry, and the job's total with it.
  void SetDone(CUploadFile& entry, int64_t bytes);
  void Log(const CUploadFile& entry, const std::u16string& message);

  IUploadJobHost& host_;
  UploadJobServices s_;
  std::vector<char> buffer_;
};

}  // namespace vard

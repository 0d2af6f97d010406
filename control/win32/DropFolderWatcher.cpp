#include "control/win32/DropFolderWatcher.h"

namespace vard::com {
namespace {

constexpr DWORD kChangeBufferSize = 16384;
constexpr DWORD kWatched = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                           FILE_NOTIFY_CHANGE_CREATION;

std::wstring LastComponent(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

DropFolderWatcher::DropFolderWatcher(std::wstring markerPath, std::function<void(const std::wstring&)> found)
    : markerPath_(std::move(markerPath)), markerName_(LastComponent(markerPath_)), found_(std::move(found)) {}

DropFolderWatcher::~DropFolderWatcher() { Stop(); }

bool DropFolderWatcher::IsMarkerCopy(const std::wstring& path, const std::wstring& markerPath,
                                     const std::wstring& name) {
  if (CompareStringOrdinal(path.c_str(), -1, markerPath.c_str(), -1, TRUE) == CSTR_EQUAL) return false;
  return CompareStringOrdinal(LastComponent(path).c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool DropFolderWatcher::Start() {
  if (port_) return true;
  port_ = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
  if (!port_) return false;
  for (wchar_t letter = L'c'; letter <= L'z'; ++letter) {
    wchar_t root[8];
    wsprintfW(root, L"%c:\\", letter);
    if (GetDriveTypeW(root) != DRIVE_FIXED) continue;
    auto* drive = new Drive();
    drive->root = root;
    drive->buffer.resize(kChangeBufferSize);
    drive->directory = CreateFileW(root, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (drive->directory == INVALID_HANDLE_VALUE ||
        !CreateIoCompletionPort(drive->directory, port_, reinterpret_cast<ULONG_PTR>(drive), 1) || !Read(*drive)) {
      if (drive->directory != INVALID_HANDLE_VALUE) CloseHandle(drive->directory);
      delete drive;
      continue;
    }
    drives_.push_back(drive);
  }
  if (drives_.empty()) {
    CloseHandle(port_);
    port_ = nullptr;
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

bool DropFolderWatcher::Read(Drive& drive) {
  drive.overlapped = OVERLAPPED{};
  return ReadDirectoryChangesW(drive.directory, drive.buffer.data(), kChangeBufferSize, TRUE, kWatched, nullptr,
                               &drive.overlapped, nullptr) != FALSE;
}

void DropFolderWatcher::Run() {
  for (;;) {
    DWORD bytes = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* overlapped = nullptr;
    const BOOL ok = GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, INFINITE);
    if (key == 0) return;  // Stop()
    auto* drive = reinterpret_cast<Drive*>(key);
    if (ok && bytes > 0) {
      const BYTE* p = drive->buffer.data();
      for (;;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(p);
        if (info->Action == FILE_ACTION_ADDED) {
          const std::wstring path = drive->root + std::wstring(info->FileName, info->FileNameLength / sizeof(WCHAR));
          if (IsMarkerCopy(path, markerPath_, markerName_)) found_(path);
        }
        if (!info->NextEntryOffset) break;
        p += info->NextEntryOffset;
      }
    }
    if (!Read(*drive)) {
      CloseHandle(drive->directory);
      drive->directory = INVALID_HANDLE_VALUE;
    }
  }
}

void DropFolderWatcher::Stop() {
  if (!port_) return;
  PostQueuedCompletionStatus(port_, 0, 0, nullptr);
  if (thread_.joinable()) thread_.join();
  for (Drive* d : drives_) {
    if (d->directory != INVALID_HANDLE_VALUE) {
      CancelIo(d->directory);
      CloseHandle(d->directory);
    }
    delete d;
  }
  drives_.clear();
  CloseHandle(port_);
  port_ = nullptr;
}

}  // namespace vard::com

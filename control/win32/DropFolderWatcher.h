#pragma once
// Finds where dragged rows were dropped: watches the whole tree of every
// fixed drive for a new file named like the drop marker (other than the
// marker itself) and reports its path. Runs one thread that serves all
// drives through a completion port; `found` is called on that thread.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vard::com {

class DropFolderWatcher {
 public:
  DropFolderWatcher(std::wstring markerPath, std::function<void(const std::wstring& path)> found);
  ~DropFolderWatcher();
  DropFolderWatcher(const DropFolderWatcher&) = delete;
  DropFolderWatcher& operator=(const DropFolderWatcher&) = delete;

  // Starts watching the fixed drives c: to z:; false when none could be.
  bool Start();
  void Stop();

  // Whether a file added at `path` is a copy of the marker named `name`
  // (compared ignoring case) rather than the marker at `markerPath` itself.
  static bool IsMarkerCopy(const std::wstring& path, const std::wstring& markerPath, const std::wstring& name);

 private:
  struct Drive {
    std::wstring root;
    HANDLE directory = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped = {};
    std::vector<BYTE> buffer;
  };
  bool Read(Drive& drive);
  void Run();

  std::wstring markerPath_;
  std::wstring markerName_;
  std::function<void(const std::wstring&)> found_;
  HANDLE port_ = nullptr;
  std::vector<Drive*> drives_;
  std::thread thread_;
};

}  // namespace vard::com

#pragma once
// Where the control's engine writes an item: straight into the file system,
// or through the elevation broker on systems that need it. One open file at
// a time; used on the worker thread only.
#include <cstdint>
#include <string>

#include "common/platform/OriginMark.h"

namespace vard {

class IDownloadTarget {
 public:
  virtual ~IDownloadTarget() = default;
  // A run of the engine starts and ends, on its worker thread: an output
  // that needs something per run makes it here.
  virtual void BeginRun() {}
  virtual void EndRun() {}
  // Creates every directory of `path` before its file name; a directory that
  // exists or cannot be made is not an error.
  virtual void MakeFolders(const std::u16string& path) = 0;
  // Where the next files opened come from, and the open one's (set again
  // once an answer names the URL after its redirects): each file written
  // carries it, where the file system keeps such marks.
  virtual void SetOrigin(const platform::OriginMark& /*mark*/) {}
  virtual bool Exists(const std::u16string& path) = 0;
  // Opens for writing: `resume` keeps what the file holds, otherwise it is
  // emptied. Closes a file still open first.
  virtual bool Open(const std::u16string& path, bool resume) = 0;
  // Bytes written; fewer than `size` means the output failed.
  virtual uint32_t Write(const void* data, uint32_t size) = 0;
  // Size of the open file, with the write position moved to its end; -1 on
  // failure.
  virtual int64_t Size() = 0;
  // Cuts the file at `size` (not beyond its end) and writes from there on.
  virtual bool CutAt(int64_t size) = 0;
  virtual void Close() = 0;
};

}  // namespace vard

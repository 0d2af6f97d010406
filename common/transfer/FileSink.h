#pragma once
// Where a transfer puts its file: straight into the file system, or through
// a broker that writes for it. One sink per worker, used only on that
// worker's thread; it holds at most one open file. Paths are full
// Windows-syntax paths.
#include <cstdint>
#include <string>

#include "common/platform/OriginMark.h"

namespace vard::transfer {

enum class OutputReady {
  kReady,
  kNotStarted,    // the broker is absent and could not be started
  kNotConnected,  // the broker's pipe could not be reached
};

enum class ExistingFile {
  kExists,
  kMissing,
  kInUse,   // exists but cannot be opened now: no question is asked
  kFailed,  // the check itself failed (the sink says why)
};

enum class WriteResult {
  kWritten,
  kFailed,  // the disk refused the bytes (full, gone, denied)
  kLost,    // the broker went away: a lost connection, worth a retry
};

class IFileSink {
 public:
  virtual ~IFileSink() = default;

  // Ready to take a file (a broker found or started, and connected).
  virtual OutputReady Prepare() = 0;
  // Where the next files opened come from, and the open one's (set again
  // once an answer names the URL after its redirects): each file written
  // carries it, where the file system keeps such marks.
  virtual void SetOrigin(const platform::OriginMark& /*mark*/) {}
  // Creates every folder of `folder` (a path ending in "\").
  virtual bool MakeFolders(const std::u16string& folder) = 0;
  virtual ExistingFile Exists(const std::u16string& path) = 0;
  // Appending opens the existing file and creates it only when it is not
  // there; otherwise the file is created empty.
  virtual bool Open(const std::u16string& path, bool append) = 0;
  // Size of the open file; the position moves to its end. -1 on failure.
  virtual int64_t SeekToEnd() = 0;
  // The next write goes to `offset`, which lies within the file; what
  // follows it is cut off where the sink can cut.
  virtual bool SeekTo(int64_t offset) = 0;
  // Splits what the sink cannot take in one piece. A sink may finish a
  // write later: its failure is then the answer of a later call.
  virtual WriteResult Write(const uint8_t* bytes, uint32_t count) = 0;
  // Every write accepted so far has reached the file, or this says why not.
  virtual WriteResult Flush() = 0;
  // Closes the open file (nothing when none is open).
  virtual bool Close() = 0;
  // Lets go of the connection too (a broker's pipe); nothing for files.
  virtual void Release() = 0;
  // What the last failure of a check or seek was, as a log says it; empty
  // when there is nothing to log.
  virtual std::u16string FailureText() const = 0;
};

}  // namespace vard::transfer

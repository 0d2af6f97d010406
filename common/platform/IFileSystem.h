#pragma once
// The file operations of the transfer engines, behind an interface: each
// program hands RealFileSystem() to its engines from its composition root,
// tests hand in a file system that fails on demand. Calls may come from any
// thread. Every failure leaves a Win32 error number in LastError() of the
// calling thread, and a failed call changes nothing on disk unless it says so.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/OriginMark.h"

namespace vard::platform {

// An open file, used by one thread at a time. Destroying it closes it.
class IFile {
 public:
  virtual ~IFile() = default;
  // Success with fewer bytes than asked (none at the end) is not a failure.
  virtual bool Read(void* buffer, uint32_t size, uint32_t* bytesRead) = 0;
  // `bytesWritten` is what reached the file, on failure too. Success with
  // fewer bytes than asked is possible; callers check the count.
  virtual bool Write(const void* buffer, uint32_t size, uint32_t* bytesWritten) = 0;
  virtual bool Seek(int64_t distance, SeekFrom from, int64_t* newPosition) = 0;
  virtual int64_t Size() = 0;  // -1 on failure
  virtual bool SetEndOfFile() = 0;  // cuts or extends to the current position
  virtual bool Flush() = 0;
  // The file is let go even when this fails; every later call fails with
  // kInvalidHandle.
  virtual bool Close() = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // As CreateFileW: dispositions, sharing and errors as there; nullptr on
  // failure. On success LastError() is kAlreadyExists when kCreateAlways or
  // kOpenAlways found the file there, else kSuccess.
  virtual std::unique_ptr<IFile> Open(const std::u16string& path, uint32_t desiredAccess, uint32_t shareMode,
                                      Disposition disposition, uint32_t attributes) = 0;
  // One folder level: kAlreadyExists when it is there, kPathNotFound when
  // its parent is missing.
  virtual bool MakeDirectory(const std::u16string& path) = 0;
  // The entry one path names (FindFirstFileW); nothing when there is none.
  virtual std::optional<FileEntry> Find(const std::u16string& path) = 0;
  // Names of a folder's entries without "." and ".."; false when the folder
  // cannot be searched.
  virtual bool List(const std::u16string& folder, std::vector<std::u16string>* names) = 0;
  virtual uint32_t Attributes(const std::u16string& path) = 0;  // attribute::kInvalid on failure
  virtual bool SetAttributes(const std::u16string& path, uint32_t attributes) = 0;
  virtual bool RemoveFile(const std::u16string& path) = 0;
  // Never replaces an existing target.
  virtual bool Rename(const std::u16string& from, const std::u16string& to) = 0;
  // Where the file at `path` came from (OriginMark.h), replacing any mark
  // it had; false where the file system keeps no marks.
  virtual bool WriteOriginMark(const std::u16string& path, const OriginMark& mark) = 0;
  virtual std::optional<OriginMark> ReadOriginMark(const std::u16string& path) = 0;
  // Where a process that writes `path` through a broker has the broker
  // write the mark: the stream beside the file, written like a file (a
  // Windows volume that keeps streams). None where the mark is only
  // written by WriteOriginMark (POSIX attributes, volumes without streams).
  virtual std::optional<std::u16string> OriginMarkStream(const std::u16string& path) = 0;
};

// The machine's file system. One instance for the process; thread-safe.
IFileSystem& RealFileSystem();

}  // namespace vard::platform

#pragma once
// A file system for tests that fails chosen calls the way the real one
// fails: the call does nothing (or, for a full disk, only part of a write),
// returns failure and leaves a Win32 error number in LastError(). Everything
// else goes to the file system it wraps, usually RealFileSystem() over a
// scratch folder. Thread-safe; the counters are shared by every file it
// opened, and such files may outlive it.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/platform/IFileSystem.h"

namespace vard::platform::testing {

// The calls a fault can be put on. Every call counts, failed ones too;
// only an explicit Close counts, not the one of a destroyed file.
enum class FileOp {
  kOpen,
  kRead,
  kWrite,
  kSeek,
  kSize,
  kSetEndOfFile,
  kFlush,
  kClose,
  kMakeDirectory,
  kFind,
  kList,
  kAttributes,
  kSetAttributes,
  kRemoveFile,
  kRename,
};
inline constexpr int kFileOpCount = static_cast<int>(FileOp::kRename) + 1;

class FileFaults;

class FaultyFileSystem final : public IFileSystem {
 public:
  explicit FaultyFileSystem(IFileSystem& inner);
  ~FaultyFileSystem() override;

  // The nth call (1 = the first since construction) of `op` fails with
  // `error`. A failed Close still lets go of the file.
  void FailNth(FileOp op, uint64_t n, uint32_t error);
  // The nth write writes only its first `bytes` bytes and reports success.
  void ShortWrite(uint64_t n, uint32_t bytes);
  // Only `bytes` more bytes fit: the write that crosses the limit writes
  // what fits, reports it and fails with kDiskFull; later writes write
  // nothing and fail the same way.
  void DiskFullAfter(uint64_t bytes);
  // Opens of `path` (spelled as given) fail with `error` until allowed
  // again; kSharingViolation plays another process that holds the file.
  void RefuseOpen(const std::u16string& path, uint32_t error);
  void AllowOpen(const std::u16string& path);
  // Origin marks are kept here, by path, instead of on the files: for a
  // file system that keeps none (Wine stores no streams).
  void KeepMarksInMemory();
  // Marks are streams beside the files, as on a Windows volume that keeps
  // them: OriginMarkStream names "<path>:Zone.Identifier" on every target.
  void KeepMarksInStreams();

  // Calls of `op` so far: run a scenario once, then fail each of them.
  uint64_t Calls(FileOp op) const;

  std::unique_ptr<IFile> Open(const std::u16string& path, uint32_t desiredAccess, uint32_t shareMode,
                              Disposition disposition, uint32_t attributes) override;
  bool MakeDirectory(const std::u16string& path) override;
  std::optional<FileEntry> Find(const std::u16string& path) override;
  bool List(const std::u16string& folder, std::vector<std::u16string>* names) override;
  uint32_t Attributes(const std::u16string& path) override;
  bool SetAttributes(const std::u16string& path, uint32_t attributes) override;
  bool RemoveFile(const std::u16string& path) override;
  bool Rename(const std::u16string& from, const std::u16string& to) override;
  bool WriteOriginMark(const std::u16string& path, const OriginMark& mark) override;
  std::optional<OriginMark> ReadOriginMark(const std::u16string& path) override;
  std::optional<std::u16string> OriginMarkStream(const std::u16string& path) override;

 private:
  IFileSystem& inner_;
  std::shared_ptr<FileFaults> faults_;
  std::mutex marksMutex_;
  std::optional<std::map<std::u16string, OriginMark>> marks_;
  bool streams_ = false;
};

}  // namespace vard::platform::testing

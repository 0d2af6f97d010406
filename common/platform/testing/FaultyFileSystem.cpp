#include "common/platform/testing/FaultyFileSystem.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace vard::platform::testing {

// The planned faults and the call counters.
class FileFaults {
 public:
  // Counts a call of `op`; the error it must fail with, 0 when it goes on.
  uint32_t Call(FileOp op) {
    std::lock_guard lock(mutex_);
    return FailureOf(op, ++calls_[Index(op)]);
  }

  uint32_t OpenCall(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    if (const uint32_t e = FailureOf(FileOp::kOpen, ++calls_[Index(FileOp::kOpen)])) return e;
    const auto it = refusedOpens_.find(path);
    return it == refusedOpens_.end() ? 0 : it->second;
  }

  // What the next write may do: fail outright (`error`), or write only
  // `allowed` bytes and then report `errorAfter` (0: success).
  struct WritePlan {
    uint32_t error = 0;
    uint32_t allowed = 0;
    uint32_t errorAfter = 0;
  };
  WritePlan PlanWrite(uint32_t size) {
    std::lock_guard lock(mutex_);
    const uint64_t n = ++calls_[Index(FileOp::kWrite)];
    WritePlan plan;
    if ((plan.error = FailureOf(FileOp::kWrite, n)) != 0) return plan;
    plan.allowed = size;
    if (const auto it = shortWrites_.find(n); it != shortWrites_.end()) plan.allowed = std::min(size, it->second);
    if (spaceLeft_ && plan.allowed > *spaceLeft_) {
      plan.allowed = static_cast<uint32_t>(*spaceLeft_);
      plan.errorAfter = error::kDiskFull;
    }
    if (spaceLeft_) *spaceLeft_ -= plan.allowed;  // held while the write runs
    return plan;
  }
  void WriteDone(const WritePlan& plan, uint32_t written) {
    std::lock_guard lock(mutex_);
    if (spaceLeft_) *spaceLeft_ += plan.allowed - written;
  }

  void FailNth(FileOp op, uint64_t n, uint32_t error) {
    std::lock_guard lock(mutex_);
    failures_[{op, n}] = error;
  }
  void ShortWrite(uint64_t n, uint32_t bytes) {
    std::lock_guard lock(mutex_);
    shortWrites_[n] = bytes;
  }
  void DiskFullAfter(uint64_t bytes) {
    std::lock_guard lock(mutex_);
    spaceLeft_ = bytes;
  }
  void RefuseOpen(const std::u16string& path, uint32_t error) {
    std::lock_guard lock(mutex_);
    refusedOpens_[path] = error;
  }
  void AllowOpen(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    refusedOpens_.erase(path);
  }
  uint64_t Calls(FileOp op) const {
    std::lock_guard lock(mutex_);
    return calls_[Index(op)];
  }

 private:
  static size_t Index(FileOp op) { return static_cast<size_t>(op); }
  uint32_t FailureOf(FileOp op, uint64_t n) const {
    const auto it = failures_.find({op, n});
    return it == failures_.end() ? 0 : it->second;
  }

  mutable std::mutex mutex_;
  std::array<uint64_t, kFileOpCount> calls_{};
  std::map<std::pair<FileOp, uint64_t>, uint32_t> failures_;
  std::map<uint64_t, uint32_t> shortWrites_;
  std::optional<uint64_t> spaceLeft_;
  std::map<std::u16string, uint32_t> refusedOpens_;
};

namespace {

bool Fail(uint32_t error) {
  SetLastErrorCode(error);
  return false;
}

class FaultyFile final : public IFile {
 public:
  FaultyFile(std::unique_ptr<IFile> inner, std::shared_ptr<FileFaults> faults)
      : inner_(std::move(inner)), faults_(std::move(faults)) {}

  bool Read(void* buffer, uint32_t size, uint32_t* bytesRead) override {
    if (bytesRead) *bytesRead = 0;
    if (const uint32_t e = faults_->Call(FileOp::kRead)) return Fail(e);
    return inner_->Read(buffer, size, bytesRead);
  }
  bool Write(const void* buffer, uint32_t size, uint32_t* bytesWritten) override {
    if (bytesWritten) *bytesWritten = 0;
    const FileFaults::WritePlan plan = faults_->PlanWrite(size);
    if (plan.error) return Fail(plan.error);
    uint32_t written = 0;
    const bool ok = plan.allowed == 0 || inner_->Write(buffer, plan.allowed, &written);
    faults_->WriteDone(plan, written);
    if (bytesWritten) *bytesWritten = written;
    if (!ok) return false;  // the inner file's own failure stands
    return plan.errorAfter ? Fail(plan.errorAfter) : true;
  }
  bool Seek(int64_t distance, SeekFrom from, int64_t* newPosition) override {
    if (const uint32_t e = faults_->Call(FileOp::kSeek)) return Fail(e);
    return inner_->Seek(distance, from, newPosition);
  }
  int64_t Size() override {
    if (const uint32_t e = faults_->Call(FileOp::kSize)) {
      Fail(e);
      return -1;
    }
    return inner_->Size();
  }
  bool SetEndOfFile() override {
    if (const uint32_t e = faults_->Call(FileOp::kSetEndOfFile)) return Fail(e);
    return inner_->SetEndOfFile();
  }
  bool Flush() override {
    if (const uint32_t e = faults_->Call(FileOp::kFlush)) return Fail(e);
    return inner_->Flush();
  }
  bool Close() override {
    const uint32_t e = faults_->Call(FileOp::kClose);
    const bool closed = inner_->Close();
    return e ? Fail(e) : closed;
  }

 private:
  std::unique_ptr<IFile> inner_;
  std::shared_ptr<FileFaults> faults_;
};

}  // namespace

FaultyFileSystem::FaultyFileSystem(IFileSystem& inner) : inner_(inner), faults_(std::make_shared<FileFaults>()) {}
FaultyFileSystem::~FaultyFileSystem() = default;

void FaultyFileSystem::FailNth(FileOp op, uint64_t n, uint32_t error) { faults_->FailNth(op, n, error); }
void FaultyFileSystem::ShortWrite(uint64_t n, uint32_t bytes) { faults_->ShortWrite(n, bytes); }
void FaultyFileSystem::DiskFullAfter(uint64_t bytes) { faults_->DiskFullAfter(bytes); }
void FaultyFileSystem::RefuseOpen(const std::u16string& path, uint32_t error) { faults_->RefuseOpen(path, error); }
void FaultyFileSystem::AllowOpen(const std::u16string& path) { faults_->AllowOpen(path); }
uint64_t FaultyFileSystem::Calls(FileOp op) const { return faults_->Calls(op); }

void FaultyFileSystem::KeepMarksInMemory() {
  std::lock_guard lock(marksMutex_);
  if (!marks_) marks_.emplace();
}

bool FaultyFileSystem::WriteOriginMark(const std::u16string& path, const OriginMark& mark) {
  {
    std::lock_guard lock(marksMutex_);
    if (marks_) {
      (*marks_)[path] = mark;
      return true;
    }
  }
  return inner_.WriteOriginMark(path, mark);
}

std::optional<OriginMark> FaultyFileSystem::ReadOriginMark(const std::u16string& path) {
  {
    std::lock_guard lock(marksMutex_);
    if (marks_) {
      const auto it = marks_->find(path);
      return it == marks_->end() ? std::nullopt : std::optional<OriginMark>(it->second);
    }
  }
  return inner_.ReadOriginMark(path);
}

void FaultyFileSystem::KeepMarksInStreams() {
  std::lock_guard lock(marksMutex_);
  streams_ = true;
}

std::optional<std::u16string> FaultyFileSystem::OriginMarkStream(const std::u16string& path) {
  {
    std::lock_guard lock(marksMutex_);
    if (streams_) return path + u":" + kOriginMarkStreamName;
  }
  return inner_.OriginMarkStream(path);
}

std::unique_ptr<IFile> FaultyFileSystem::Open(const std::u16string& path, uint32_t desiredAccess,
                                              uint32_t shareMode, Disposition disposition, uint32_t attributes) {
  if (const uint32_t e = faults_->OpenCall(path)) {
    Fail(e);
    return nullptr;
  }
  std::unique_ptr<IFile> file = inner_.Open(path, desiredAccess, shareMode, disposition, attributes);
  if (!file) return nullptr;
  return std::make_unique<FaultyFile>(std::move(file), faults_);
}

bool FaultyFileSystem::MakeDirectory(const std::u16string& path) {
  if (const uint32_t e = faults_->Call(FileOp::kMakeDirectory)) return Fail(e);
  return inner_.MakeDirectory(path);
}

std::optional<FileEntry> FaultyFileSystem::Find(const std::u16string& path) {
  if (const uint32_t e = faults_->Call(FileOp::kFind)) {
    Fail(e);
    return std::nullopt;
  }
  return inner_.Find(path);
}

bool FaultyFileSystem::List(const std::u16string& folder, std::vector<std::u16string>* names) {
  if (const uint32_t e = faults_->Call(FileOp::kList)) {
    names->clear();
    return Fail(e);
  }
  return inner_.List(folder, names);
}

uint32_t FaultyFileSystem::Attributes(const std::u16string& path) {
  if (const uint32_t e = faults_->Call(FileOp::kAttributes)) {
    Fail(e);
    return attribute::kInvalid;
  }
  return inner_.Attributes(path);
}

bool FaultyFileSystem::SetAttributes(const std::u16string& path, uint32_t attributes) {
  if (const uint32_t e = faults_->Call(FileOp::kSetAttributes)) return Fail(e);
  return inner_.SetAttributes(path, attributes);
}

bool FaultyFileSystem::RemoveFile(const std::u16string& path) {
  if (const uint32_t e = faults_->Call(FileOp::kRemoveFile)) return Fail(e);
  return inner_.RemoveFile(path);
}

bool FaultyFileSystem::Rename(const std::u16string& from, const std::u16string& to) {
  if (const uint32_t e = faults_->Call(FileOp::kRename)) return Fail(e);
  return inner_.Rename(from, to);
}

}  // namespace vard::platform::testing

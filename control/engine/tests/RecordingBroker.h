#pragma once
// An elevation broker in the test's own process: it maps the section by
// name as the real one does, writes real files, and records every call.
// Streams ("<file>:<stream>") it keeps in memory, where any volume has
// room for them.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/platform/ElevationBroker.h"
#include "common/platform/FolderChain.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/SharedMemory.h"
#include "common/text/Utf.h"

namespace vard::testing {

class RecordingBroker final : public platform::IElevationBroker {
 public:
  explicit RecordingBroker(const std::u16string& sectionName = platform::kBrokerSectionName)
      : section_(platform::SharedMemory::CreateOrOpen(sectionName, platform::kBrokerSectionSize)) {}

  void CreateDirectory(const std::u16string& path) override {
    Note("mkdir " + Utf16ToUtf8(path));
    platform::MakeFolderChain(path);
  }
  int16_t FolderTest(const std::u16string&) override { return platform::kBrokerFalse; }
  int16_t FileOpen(const std::u16string& path, uint32_t disposition) override {
    Note("open " + std::to_string(disposition) + " " + Utf16ToUtf8(path));
    if (path.find(u':', 2) != std::u16string::npos) {
      stream_ = path;
      streams[path].clear();
      return platform::kBrokerTrue;
    }
    file_ = platform::RealFileSystem().Open(path, platform::access::kRead | platform::access::kWrite,
                                            platform::share::kRead,
                                            static_cast<platform::Disposition>(disposition),
                                            platform::attribute::kNormal);
    return file_ ? platform::kBrokerTrue : platform::kBrokerFalse;
  }
  void FileClose() override {
    Note("close");
    file_.reset();
    stream_.clear();
  }
  uint32_t FileWrite(const void*, uint32_t) override {
    Note("write");
    return 0;
  }
  uint32_t FileWrite2(uint32_t size) override {
    Note("write2 " + std::to_string(size));
    chunks.push_back(size);
    if (!stream_.empty() && section_.IsOpen()) {
      streams[stream_].append(reinterpret_cast<const char*>(section_.Data()), size);
      return size;
    }
    if (!file_ || !section_.IsOpen()) return 0;
    // Slowly, a piece at a time, so that a second writer sharing the
    // section would show between the pieces.
    uint32_t total = 0;
    for (uint32_t at = 0; at < size; at += 1024) {
      uint32_t written = 0;
      const uint32_t n = std::min<uint32_t>(1024, size - at);
      file_->Write(section_.Data() + at, n, &written);
      total += written;
      if (slow) std::this_thread::yield();
    }
    return size > writeLimit ? writeLimit : total;
  }
  uint64_t GetFileSize() override {
    Note("size");
    if (!file_) return 0;
    const int64_t size = file_->Size();
    file_->Seek(0, platform::SeekFrom::kEnd, nullptr);
    return size < 0 ? 0 : static_cast<uint64_t>(size);
  }
  void Seek(int64_t, uint32_t, int64_t*) override { Note("seek"); }

  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  std::vector<uint32_t> chunks;
  std::map<std::u16string, std::string> streams;
  bool slow = false;
  uint32_t writeLimit = UINT32_MAX;  // reports at most this many bytes written

 private:
  void Note(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }

  platform::SharedMemory section_;
  std::unique_ptr<platform::IFile> file_;
  std::u16string stream_;  // open instead of file_
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

// Hands a shared broker to an owner that deletes what it gets, so that the
// test can read the record after the run let its broker go.
class SharedBroker final : public platform::IElevationBroker {
 public:
  explicit SharedBroker(std::shared_ptr<RecordingBroker> broker) : b_(std::move(broker)) {}
  void CreateDirectory(const std::u16string& path) override { b_->CreateDirectory(path); }
  int16_t FolderTest(const std::u16string& folder) override { return b_->FolderTest(folder); }
  int16_t FileOpen(const std::u16string& path, uint32_t disposition) override { return b_->FileOpen(path, disposition); }
  void FileClose() override { b_->FileClose(); }
  uint32_t FileWrite(const void* data, uint32_t size) override { return b_->FileWrite(data, size); }
  uint32_t FileWrite2(uint32_t size) override { return b_->FileWrite2(size); }
  uint64_t GetFileSize() override { return b_->GetFileSize(); }
  void Seek(int64_t distance, uint32_t method, int64_t* position) override { b_->Seek(distance, method, position); }

 private:
  std::shared_ptr<RecordingBroker> b_;
};

}  // namespace vard::testing

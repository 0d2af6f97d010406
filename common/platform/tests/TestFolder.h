#pragma once
// A fresh scratch folder below the temporary folder, removed with its
// contents at the end of a test.
#include <atomic>
#include <string>

#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/text/Utf.h"

namespace vard::platform::testing {

inline void RemoveTree(const std::u16string& path) {
  if (IsDirectory(path)) {
    for (const auto& name : ListDirectory(path)) RemoveTree(path + u"\\" + name);
    RemoveFolder(path);
  } else {
    SetAttributes(path, attribute::kNormal);
    RemoveFile(path);
  }
}

class TestFolder {
 public:
  TestFolder() {
    static std::atomic<int> counter{0};
    std::u16string base = TempFolder();
    if (!base.empty() && base.back() != u'\\') base += u'\\';
    for (int i = 0;; ++i) {
      own_ = base + AsciiToUtf16("vard-test-" + std::to_string(counter++) + "-" +
                                 std::to_string(reinterpret_cast<uintptr_t>(this) % 100000) + "-" +
                                 std::to_string(i));
      if (MakeDirectory(own_)) break;
    }
    path_ = own_;
  }
  // The folder `inner` inside a fresh one: a test that checks that nothing
  // escaped upward looks in a parent of its own, not in the shared
  // temporary folder where any earlier run may have left a file.
  explicit TestFolder(std::u16string_view inner) : TestFolder() {
    path_ = own_ + u"\\" + std::u16string(inner);
    MakeDirectory(path_);
  }
  ~TestFolder() { RemoveTree(own_); }
  const std::u16string& Path() const { return path_; }
  std::u16string operator/(std::u16string_view name) const { return path_ + u"\\" + std::u16string(name); }

 private:
  std::u16string own_;
  std::u16string path_;
};

}  // namespace vard::platform::testing

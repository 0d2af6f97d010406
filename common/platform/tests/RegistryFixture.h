#pragma once
// Test fixture: a registry key of its own, removed afterwards; on POSIX the
// whole per-user tree lives in a scratch folder.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/platform/Environment.h"
#include "common/platform/Registry.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard::platform {

using R = RegistryRoot;

// A key of its own below a test key, removed afterwards; on POSIX the whole
// per-user tree lives in a scratch folder.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string os = Utf16ToUtf8(folder_.Path());
    for (char& c : os)
      if (c == '\\') c = '/';
    saved_ = GetEnv("XDG_CONFIG_HOME");
    SetEnv("XDG_CONFIG_HOME", os.c_str());
    static int counter = 0;
    key_ = u"Software\\vardel-test\\" + AsciiToUtf16(std::to_string(++counter)) + u"\\\uC124\uC815";
    reg_.DeleteKey(R::kCurrentUser, key_);
  }
  void TearDown() override {
    reg_.DeleteKey(R::kCurrentUser, u"Software\\vardel-test");
    SetEnv("XDG_CONFIG_HOME", saved_ ? saved_->c_str() : nullptr);
  }
  // POSIX: where the key's values are kept.
  std::u16string KeyFile() const { return folder_.Path() + u"\\vardel\\registry\\HKCU\\" + key_ + u".reg"; }

  IRegistry& reg_ = SystemRegistry();
  testing::TestFolder folder_;
  std::optional<std::string> saved_;
  std::u16string key_;
};

}  // namespace vard::platform

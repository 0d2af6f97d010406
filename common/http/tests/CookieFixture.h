#pragma once
// Tests of the cookie store. Linux keeps its store under XDG_DATA_HOME: a
// private one per test. Wine keeps the prefix's store, so names carry a tag
// of this run.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>

#include "common/platform/Environment.h"
#include "common/platform/Http.h"
#include "common/text/Utf.h"

namespace vard::http_tests {

class CookieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = platform::GetEnv("XDG_DATA_HOME");
    platform::SetEnv("XDG_DATA_HOME", mine_.c_str());
  }
  void TearDown() override {
    platform::SetEnv("XDG_DATA_HOME", saved_ ? saved_->c_str() : nullptr);
    std::remove((mine_ + "/vardel/cookies.txt").c_str());
    std::remove((mine_ + "/vardel").c_str());
    std::remove(mine_.c_str());
  }
  static std::u16string Unique(const char* name) { return AsciiToUtf16(name + Tag()); }
  static const std::string& Tag() {
    static const std::string tag = std::to_string(std::random_device{}());
    return tag;
  }
  static std::u16string Cookies(const std::u16string& url) {
    std::u16string value;
    platform::GetCookie(url, u"", value);
    return value;
  }
  static bool Has(const std::u16string& url, const std::u16string& name) {
    return (u"; " + Cookies(url) + u";").find(u"; " + name + u"=") != std::u16string::npos;
  }
  // Whether a raw request's Cookie line carries "name=value" (among others).
  static bool SentCookie(const std::string& raw, const std::string& pair) {
    const size_t start = raw.find("\r\nCookie: ");
    if (start == std::string::npos) return false;
    const size_t end = raw.find("\r\n", start + 2);
    const std::string line = "; " + raw.substr(start + 10, end - start - 10) + ";";
    return line.find("; " + pair + ";") != std::string::npos;
  }

 private:
  std::optional<std::string> saved_;
  std::string mine_ = platform::GetEnv("TMPDIR").value_or("/tmp") + "/vard-cookies-" + Tag();
};

}  // namespace vard::http_tests

#pragma once
// The agent's user settings under HKCU "Software\vardel\KTPlus". Nothing is
// cached: every user reads a value when it needs it. A value that is
// missing, of another type or out of range reads as its default and is not
// written back. When the key cannot be opened, reads give the defaults and
// writes are lost.
#include <cstdint>
#include <string>

#include "agent/AgentMode.h"
#include "common/platform/Registry.h"

namespace vard {

inline constexpr char16_t kAgentSettingsKey[] = u"Software\\vardel\\KTPlus";

namespace settings_default {
constexpr uint32_t kCloseType = 0;
constexpr uint32_t kRetrySeconds = 5;
constexpr uint32_t kRetryCount = 5;
constexpr uint32_t kSendAfter = 0;
constexpr uint32_t kAutoSend = 208;
}  // namespace settings_default

// Bits of "Config_SendAfter".
constexpr uint32_t kSendAfterOpenFolder = 0x01;
constexpr uint32_t kSendAfterCloseWindow = 0x10;
// "Config_AutoSend" value that starts an arriving upload batch at once.
constexpr uint32_t kAutoSendAtOnce = 208;

// The retry choices the settings dialog offers.
constexpr uint32_t kRetryMin = 1;
constexpr uint32_t kRetryMax = 99;

struct RetrySettings {
  uint32_t seconds = settings_default::kRetrySeconds;
  uint32_t count = settings_default::kRetryCount;
};

class AgentSettings {
 public:
  explicit AgentSettings(platform::IRegistry& registry) : registry_(registry) {}

  // "SaveFolder": at most 260 units; written with `documents` when missing
  // (a value that exists but cannot be used is left alone).
  std::u16string SaveFolder(const std::u16string& documents);
  void SetSaveFolder(const std::u16string& folder);

  // "KT_CloseType" / "MW_CloseType". Every value has a meaning to the main
  // window (above 3: the close box does nothing), so any DWORD is kept.
  uint32_t CloseType(AgentMode mode);
  void SetCloseType(AgentMode mode, uint32_t value);

  // "KT_Retry*" / "MW_Retry*", each 1..99.
  RetrySettings Retry(AgentMode mode);
  // Written in the order seconds, count.
  void SetRetry(AgentMode mode, const RetrySettings& retry);

  // "MW_CookieSite": the site URL for which the upload job sets each
  // entry's cookie before its requests. Missing or empty: the site of the
  // entry's action URL (scheme, host and port, path "/"), so the cookie
  // reaches the server that takes the upload. At most 260 units.
  std::u16string CookieSite(const std::u16string& actionUrl);

  uint32_t SendAfter();
  void SetSendAfter(uint32_t bits);
  uint32_t AutoSend();

 private:
  uint32_t Dword(const char16_t* name, uint32_t fallback, uint32_t min, uint32_t max);
  void Write(const char16_t* name, uint32_t value);

  platform::IRegistry& registry_;
};

}  // namespace vard

#include "agent/settings/AgentSettings.h"

namespace vard {
namespace {

constexpr platform::RegistryRoot kRoot = platform::RegistryRoot::kCurrentUser;
constexpr size_t kSaveFolderCapacity = 261;

bool Upload(AgentMode mode) { return mode == AgentMode::kUpload; }

}  // namespace

std::u16string AgentSettings::SaveFolder(const std::u16string& documents) {
  if (auto value = registry_.ReadString(kRoot, kAgentSettingsKey, u"SaveFolder", kSaveFolderCapacity)) {
    if (!value->empty()) return *value;
  }
  // Only a value that is not there at all is written; a too long one stays.
  if (!registry_.ReadString(kRoot, kAgentSettingsKey, u"SaveFolder"))
    registry_.WriteString(kRoot, kAgentSettingsKey, u"SaveFolder", documents);
  return documents;
}

void AgentSettings::SetSaveFolder(const std::u16string& folder) {
  registry_.WriteString(kRoot, kAgentSettingsKey, u"SaveFolder", folder);
}

uint32_t AgentSettings::CloseType(AgentMode mode) {
  return Dword(Upload(mode) ? u"MW_CloseType" : u"KT_CloseType", settings_default::kCloseType, 0, UINT32_MAX);
}

void AgentSettings::SetCloseType(AgentMode mode, uint32_t value) {
  Write(Upload(mode) ? u"MW_CloseType" : u"KT_CloseType", value);
}

RetrySettings AgentSettings::Retry(AgentMode mode) {
  RetrySettings r;
  r.seconds = Dword(Upload(mode) ? u"MW_RetrySec" : u"KT_RetrySec", settings_default::kRetrySeconds, kRetryMin,
                    kRetryMax);
  // No retries at all is a count of its own.
  r.count = Dword(Upload(mode) ? u"MW_RetryNum" : u"KT_RetryNum", settings_default::kRetryCount, 0, kRetryMax);
  return r;
}

void AgentSettings::SetRetry(AgentMode mode, const RetrySettings& retry) {
  Write(Upload(mode) ? u"MW_RetrySec" : u"KT_RetrySec", retry.seconds);
  Write(Upload(mode) ? u"MW_RetryNum" : u"KT_RetryNum", retry.count);
}

std::u16string AgentSettings::CookieSite(const std::u16string& actionUrl) {
  if (auto value = registry_.ReadString(kRoot, kAgentSettingsKey, u"MW_CookieSite", kSaveFolderCapacity)) {
    if (!value->empty()) return *value;
  }
  const size_t scheme = actionUrl.find(u"://");
  if (scheme == std::u16string::npos) return actionUrl;
  const size_t path = actionUrl.find_first_of(u"/?#", scheme + 3);
  return actionUrl.substr(0, path) + u"/";
}

uint32_t AgentSettings::SendAfter() {
  return Dword(u"Config_SendAfter", settings_default::kSendAfter, 0, UINT32_MAX);
}

void AgentSettings::SetSendAfter(uint32_t bits) { Write(u"Config_SendAfter", bits); }

uint32_t AgentSettings::AutoSend() {
  return Dword(u"Config_AutoSend", settings_default::kAutoSend, 0, UINT32_MAX);
}

uint32_t AgentSettings::Dword(const char16_t* name, uint32_t fallback, uint32_t min, uint32_t max) {
  auto value = registry_.ReadDword(kRoot, kAgentSettingsKey, name);
  if (!value || *value < min || *value > max) return fallback;
  return *value;
}

void AgentSettings::Write(const char16_t* name, uint32_t value) {
  registry_.WriteDword(kRoot, kAgentSettingsKey, name, value);
}

}  // namespace vard

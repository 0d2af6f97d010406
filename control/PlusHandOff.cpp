#include "control/PlusHandOff.h"

#include "common/handoff/HandOffWriter.h"
#include "common/platform/UrlOrigin.h"
#include "common/transfer/SafeName.h"

namespace vard {

PlusHandOff::PlusHandOff(const ControlSettings& settings, const ProgramTitle& title, IAgentHandOff& handOff,
                         ISavedDownloads& saved, DebugSink debug)
    : settings_(settings), title_(title), handOff_(handOff), saved_(saved), debug_(std::move(debug)) {}

AgentHandOffRequest PlusHandOff::Request() const {
  AgentHandOffRequest r;
  // A page apart from its URL's origin has none of that host's cookies.
  if (settings_.dialog.pageOriginApart.empty()) r.pageUrl = settings_.pageUrl;
  r.utf8Urls = settings_.useUnicode;
  r.resumeByQuery = settings_.dialog.useFileSizeQueryString;
  r.rateLimitKb = settings_.dialog.limitRate;
  r.language = settings_.language;
  r.title = title_.Title();
  if (settings_.dialog.useWriteLog) r.logText = settings_.dialog.logSettingText;
  return r;
}

std::u16string PlusHandOff::PageOrigin() const {
  if (!settings_.dialog.pageOriginApart.empty()) return settings_.dialog.pageOriginApart;
  const auto origin = platform::OriginOf(settings_.pageUrl);
  return origin ? origin->Text() : settings_.pageUrl;
}

std::vector<DownloadItem> PlusHandOff::NamesAnUntrustedPageMayHand(std::vector<DownloadItem> batch) const {
  std::vector<DownloadItem> kept;
  kept.reserve(batch.size());
  for (DownloadItem& item : batch) {
    // Judged as the agent reads them: cut to the record's fields.
    const DOWNLOAD_INFO record = MakeDownloadRecord(u"", item.subFolder, item.displayName, 0, 0);
    const std::u16string folder = ReadField(record.folder), name = ReadField(record.file_name);
    if (transfer::StaysInsideFolder(folder, transfer::NameSource::kUntrustedPage) &&
        transfer::StaysInsideFolder(name, transfer::NameSource::kUntrustedPage)) {
      kept.push_back(std::move(item));
      continue;
    }
    debug_(u"VardKT5: \"" + folder + u"\" / \"" + name + u"\" not handed to the agent for the page of " +
           PageOrigin());
  }
  return kept;
}

std::optional<std::u16string> PlusHandOff::NotificationUrl() const {
  const std::u16string& url = settings_.urlDownloadComplete;
  if (url.empty()) return std::nullopt;
  // An untrusted page learns of finished files only at its own origin.
  if (settings_.dialog.pageTrusted ||
      (settings_.dialog.pageOriginApart.empty() && platform::SameOrigin(settings_.pageUrl, url)))
    return url;
  const auto origin = platform::OriginOf(url);
  debug_(u"VardKT5: the completion notification to " + (origin ? origin->Text() : url) +
         u" dropped for the page of " + PageOrigin());
  return std::nullopt;
}

void PlusHandOff::HandOffBatch(std::vector<DownloadItem> batch) {
  AgentHandOffRequest r = Request();
  r.batch = settings_.dialog.pageTrusted ? std::move(batch) : NamesAnUntrustedPageMayHand(std::move(batch));
  r.notificationUrl = NotificationUrl();
  handOff_.HandOff(r);
}

void PlusHandOff::HandOffSaved() { handOff_.HandOff(Request()); }

std::optional<uint32_t> PlusHandOff::SavedFileCount() { return saved_.PendingCount(); }

}  // namespace vard

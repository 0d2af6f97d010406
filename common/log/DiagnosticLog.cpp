#include "common/log/DiagnosticLog.h"

#include <mutex>

#include "common/platform/CodePage.h"
#include "common/platform/FileSystem.h"
#include "common/platform/HostAddress.h"
#include "common/platform/KnownFolders.h"
#include "common/text/CommandLine.h"
#include "common/text/SizeFormat.h"
#include "common/text/Utf.h"

namespace vard {

namespace p = platform;

namespace {

std::mutex g_mutex;
std::u16string g_option;

std::string Ansi(std::u16string_view text) { return p::Utf16ToAnsi(text); }

void Append(const LogEvent& event, const LogStyle& style, p::IClock& clock, LogHostAddress& host) {
  const std::string record =
      FormatLogRecord(event, style, clock.UtcNow(), host.Get());
  p::File file = p::File::Open(LogFilePath(), p::access::kWrite,
                               p::share::kRead | p::share::kWrite, p::Disposition::kOpenAlways);
  if (!file.IsOpen()) return;  // the record is dropped
  uint32_t written = 0;
  if (file.Seek(0, p::SeekFrom::kEnd))
    file.Write(record.data(), static_cast<uint32_t>(record.size()), &written);
  file.Close();
}

}  // namespace

std::string FormatLogRecord(const LogEvent& e, const LogStyle& style, const p::UtcTime& t,
                            std::string_view hostAddress) {
  std::u16string text = e.url + u"\t" + FormatSize(e.fileSize) + u"\r\n" + e.path + u"\t";
  if (e.offset >= 0) text += u"offset:" + FormatSize(e.offset) + u"\r\n";
  if (e.finalSize >= 0) text += u"size:" + FormatSize(e.finalSize) + u"\r\n";
  const std::string date = std::to_string(t.year) + "/" + std::to_string(t.month) + "/" +
                           std::to_string(t.day) + " " + std::to_string(t.hour) + ":" +
                           std::to_string(t.minute) + ":" + std::to_string(t.second);
  text += AsciiToUtf16(date) + u"\t" + style.banner + u"\t" + e.message;
  std::string record = Ansi(text);
  if (e.extra && !e.extra->empty()) record += "\t" + *e.extra;
  record += "\r\n" + std::string(hostAddress) + "\t" + Ansi(style.afterHost);
  record += "\r\n" + std::string(100, '-') + "\r\n";
  return record;
}

void SetLogOptionFromCommandLine(std::u16string_view commandLine) {
  SetLogOption(CommandLineValue(commandLine, u"-KTLOG"));
}

void SetLogOption(std::u16string value) {
  std::lock_guard lock(g_mutex);
  g_option = std::move(value);
}

std::u16string LogOption() {
  std::lock_guard lock(g_mutex);
  return g_option;
}

LogHostAddress::LogHostAddress(Lookup lookup) : lookup_(std::move(lookup)) {}

std::string LogHostAddress::Get() {
  std::lock_guard lock(mutex_);
  if (address_.empty()) address_ = lookup_();
  return address_;
}

void LogHostAddress::Forget() {
  std::lock_guard lock(mutex_);
  address_.clear();
}

LogHostAddress& ProcessHostAddress() {
  static LogHostAddress process(&p::FirstHostAddress);
  return process;
}

void WriteLog(const LogEvent& event, p::IClock& clock, LogHostAddress& host) {
  const std::u16string option = LogOption();
  if (option.empty()) return;
  Append(event, {u"VardKT+(1,0,5,3225)", option}, clock, host);
}

void WriteControlLog(bool writeLog, const LogEvent& event, p::IClock& clock, LogHostAddress& host) {
  if (!writeLog) return;
  Append(event, {u"VardKT(5,0,0,2275)", u""}, clock, host);
}

std::u16string LogFilePath() {
  std::u16string folder = p::TempFolder();
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder + u"VardKT.log";
}

}  // namespace vard

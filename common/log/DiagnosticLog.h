#pragma once
// The diagnostic log "VardKT.log" in the temporary folder: one record per
// event, appended with one open-write-close so that the agent and the
// control, which share the file, never interleave within a record.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "common/platform/Clock.h"

namespace vard {

// What differs between the writers of the log.
struct LogStyle {
  std::u16string banner;       // "VardKT+(1,0,5,3225)" or "VardKT(5,0,0,2275)"
  std::u16string afterHost;    // written after the host address and a tab
};

struct LogEvent {
  std::u16string url;
  int64_t fileSize = 0;
  std::u16string path;
  int64_t offset = -1;      // negative: none
  int64_t finalSize = -1;   // negative: none
  std::u16string message;
  std::optional<std::string> extra;  // narrow text, written when not empty
};

// The record's bytes (ANSI code page, "\r\n" line ends).
std::string FormatLogRecord(const LogEvent& event, const LogStyle& style,
                            const platform::UtcTime& utc, std::string_view hostAddress);

// The agent's switch: the "-KTLOG" value of its command line; logging is on
// when it is not empty.
void SetLogOptionFromCommandLine(std::u16string_view commandLine);
void SetLogOption(std::u16string value);
std::u16string LogOption();

// The local host's address as records carry it: looked up until a lookup
// succeeds, then kept. Thread-safe.
class LogHostAddress {
 public:
  // Dotted address, empty when the lookup failed.
  using Lookup = std::function<std::string()>;
  explicit LogHostAddress(Lookup lookup);

  std::string Get();
  // Looks up again at the next record.
  void Forget();

 private:
  std::mutex mutex_;
  Lookup lookup_;
  std::string address_;
};

// The process's address over the system's lookup: one host for every writer.
LogHostAddress& ProcessHostAddress();

// The agent's writer: nothing when the log option is empty. The record's
// date is read from `clock`.
void WriteLog(const LogEvent& event, platform::IClock& clock = platform::SystemClock(),
              LogHostAddress& host = ProcessHostAddress());
// The control's writer: switched by its own flag; no option value.
void WriteControlLog(bool writeLog, const LogEvent& event, platform::IClock& clock = platform::SystemClock(),
                     LogHostAddress& host = ProcessHostAddress());

// Path of the log file.
std::u16string LogFilePath();

}  // namespace vard

#pragma once
// The diagnostic log "VardKT.log" in the temporary folder: one record per
// event, appended with one open-write-close so that the agent and the
// control, which share the file, never interleave within a record.
#include <cstdint>
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

// The agent's writer: nothing when the log option is empty. The record's
// date is read from `clock`.
void WriteLog(const LogEvent& event, platform::IClock& clock = platform::SystemClock());
// The control's writer: switched by its own flag; no option value.
void WriteControlLog(bool writeLog, const LogEvent& event, platform::IClock& clock = platform::SystemClock());

// Path of the log file.
std::u16string LogFilePath();

// Where the host address comes from; tests replace it (nullptr: the system).
using HostAddressSource = std::string (*)();
void SetHostAddressSource(HostAddressSource source);
// Forgets the cached host address.
void ResetHostAddress();

}  // namespace vard

#pragma once
// The two data formats a row drag offers to the shell: the private
// "server list" marker and a file drop of one hidden marker file, whose copy
// into a folder tells the control where the rows were dropped.
#include <cstdint>
#include <string>
#include <vector>

namespace vard {

constexpr char16_t kServerListFormatName[] = u"VardKT5_ServerListData";
// Name of the marker file (in the user's temporary folder).
constexpr char16_t kDropMarkerName[] = u"{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}";
constexpr size_t kFileDropBlockSize = 281;

// "SERVER_DROP" as UTF-16 with its terminator: 24 bytes.
std::vector<uint8_t> ServerListData();

// DROPFILES header (list at offset 20, point (0,0), client area, ANSI names)
// then the path in the ANSI code page and the double terminator, in a
// zeroed 281-byte block. Empty when the path does not fit: a cut path would
// name another file.
std::vector<uint8_t> FileDropBlock(const std::string& ansiPath);

// Creates the empty, hidden marker file in the temporary folder (replacing
// one left over) and returns its path; empty when it cannot be made.
std::u16string CreateDropMarker();

}  // namespace vard

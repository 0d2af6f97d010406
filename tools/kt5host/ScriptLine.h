#pragma once
// The script language's lines, shared by every host that runs control
// scripts: reading a line, splitting it into words, the values its words
// stand for and how results are printed.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "control/Variant.h"

namespace vard {

// Longest script line run; the rest of a longer one is skipped unread.
constexpr size_t kMaxScriptLine = 64 * 1024;

enum class LineRead { kLine, kTooLong, kEnd };
// One line of at most kMaxScriptLine bytes; the rest of a longer one is
// skipped without being kept.
LineRead ReadScriptLine(std::istream& in, std::string& line);

// A word without the marker of a quoted word.
std::string Unquoted(const std::string& word);

enum class Whole { kNumber, kOutOfRange, kNotANumber };
// A whole decimal number with an optional sign, nothing else.
Whole ParseWhole(const std::string& word, int64_t* value);

// Splits a script line into words; "double quotes" keep blanks, and a
// backslash escapes the next character inside them. A quoted word keeps a
// leading marker byte 0x01 so that "5" stays text while 5 is a number.
// `closed` (when given) tells whether every quote was closed.
std::vector<std::string> SplitScriptLine(const std::string& line, bool* closed = nullptr);
// Numbers beyond the 64-bit range stay text: a page would pass them as
// floating-point values, which the host does not model.
Variant ParseScriptValue(const std::string& word);
std::string FormatVariant(const Variant& v);

}  // namespace vard

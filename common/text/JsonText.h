#pragma once
// JSON pieces for the programs' diagnostic dumps: quoted strings from
// UTF-16 text, escaped so that any text (control characters, quotes,
// unpaired surrogates) gives valid JSON.
#include <string>
#include <string_view>

namespace vard {

// `text` as a JSON string literal, quotes included, in UTF-8.
std::string JsonQuote(std::u16string_view text);

}  // namespace vard

#pragma once
// Percent-escaping of URL bytes and the byte encoding chosen before it.
#include <string>
#include <string_view>

namespace vard {

// Letters, digits and ! & ' ( ) * + , - . / : ; = ? @ _ pass; every other
// byte becomes "%XX" (upper-case hex). A "%" is escaped again on purpose.
std::string EscapeUrlBytes(std::string_view bytes);

// The longest UTF-8 form a URL may take before escaping (the engine's
// buffer holds this many bytes plus a terminator).
inline constexpr size_t kMaxUrlUtf8Bytes = 2084;

// UTF-8 bytes of `url`, cut after the last whole character that fits in
// `maxBytes` (never inside a character).
std::string Utf8UrlBytes(std::u16string_view url, size_t maxBytes = kMaxUrlUtf8Bytes);

// UTF-16 URL -> bytes (UTF-8 when `utf8`, else the thread's ANSI code
// page) -> EscapeUrlBytes -> widened back to UTF-16.
std::u16string EncodeUrl(std::u16string_view url, bool utf8);

}  // namespace vard

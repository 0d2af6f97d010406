#pragma once
// The size of a file on its server, asked for when a page gives none: the
// Content-Length of a GET whose body is not read.
#include <cstdint>
#include <optional>
#include <string>

namespace vard {

// None when the server names no length or cannot be reached: the size is
// then unknown, and a download fetches the body to its end.
std::optional<int64_t> QueryRemoteSize(const std::u16string& url, bool utf8);

}  // namespace vard

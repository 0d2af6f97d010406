#pragma once
// Where the HTTP tests find the loopback test server, and small helpers to
// fetch from it with our own client.
#include <cstdint>
#include <string>
#include <string_view>

namespace vard::http_tests {

// The recording port of the test server (hosted in-process, or the native
// server program whose port file the build names).
uint16_t ServerPort();
std::u16string ServerUrl(std::string_view path);
// The whole body of a GET.
std::string Fetch(std::string_view path);
// Raw bytes of the last request the server received (not counting these).
std::string LastRawRequest();

}  // namespace vard::http_tests

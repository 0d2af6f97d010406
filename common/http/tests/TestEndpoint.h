#pragma once
// Where the HTTP tests find the loopback test server, and small helpers to
// fetch from it with our own client.
#include <cstdint>
#include <string>
#include <string_view>

namespace vard {
class CInternetFile;
}

namespace vard::http_tests {

// The recording port of the test server (hosted in-process, or the native
// server program whose port file the build names).
uint16_t ServerPort();
std::u16string ServerUrl(std::string_view path);

// The same server's TLS listeners (unrecorded): a certificate for 127.0.0.1
// from the test authority, a self-signed one, one for another name. Clients
// trust the authority from the first call on: through CURL_CA_BUNDLE when
// the server is in-process, through the prefix's root store under Wine (put
// there by the fixture that starts the server program).
enum class Tls { kTrusted, kSelfSigned, kWrongName };
uint16_t TlsPort(Tls kind = Tls::kTrusted);
std::u16string TlsUrl(std::string_view path, Tls kind = Tls::kTrusted);
// The whole body of a GET.
std::string Fetch(std::string_view path);
// The rest of an open answer's body, read as the download engines read:
// what is available, one buffer per read.
std::string ReadAvailable(CInternetFile& file);
// Raw bytes of the last request the server received (not counting these).
std::string LastRawRequest();
// Requests the server answered since the last ClearRequests (not counting
// these): settled once the client has its answers, and without the copies
// a client sends again when the server had closed the connection it reused.
int RequestCount();
void ClearRequests();

// The hostile server (HostileServer.h) beside the test server; `host` names
// loopback another way ("localhost") for a second site.
uint16_t HostilePort();
std::u16string HostileUrl(std::string_view path, std::string_view host = "127.0.0.1");
// Connections and requests the hostile server saw with tag t=<tag>, and the
// request heads, asked over HTTP (so the same under Wine).
std::pair<int, int> HostileCount(std::string_view tag);
std::string HostileHeads(std::string_view tag);
// Whether the Windows programs run under Wine (whose WinINet lacks some of
// what the tests ask for); false on Linux.
bool UnderWine();
// The whole body at a URL.
std::string FetchUrl(const std::u16string& url);

}  // namespace vard::http_tests

#pragma once
// A loopback HTTP server for tests, steered by the URL as curl's test server
// is steered by commands, so tests of every target (including Windows
// programs under Wine talking to a native server) drive it the same way.
//
//   GET  /data/<size>        deterministic bytes (TestData.h), Range: 206/416
//   GET  /files/<name>       bytes given to AddFile, Range as above
//   ANY  /status/<code>      that status with body "status <code>"
//   GET  /redirect?to=<path> 302 to path
//   GET  /cookie?set=<text>  answers with "Set-Cookie: <text>"
//   GET  /zeros              two blocks "AB\0xx", "CD\0yy", 300 ms apart
//   POST /form               answers "name=value\n" for each multipart field
//   GET  /_raw/last          raw bytes of the last request that was not /_...
//   GET  /_raw/all           raw bytes of every such request, in order
//   GET  /_raw/clear         forgets the recorded requests
//   GET  /_quit              asks a server program to exit
//   POST /upload/<store> and GET /_upload/<store>/...: an upload server
//                            (UploadRoutes.h)
// Query options on the content paths: delay=<ms> before answering,
// status=<code> instead of 200, cut=<n> closes after n body bytes,
// throttle=<bytes per second>, gzip=1 compresses the body; range faults:
// norange=1 answers the whole body, shift=<n> / ahead=<n> serve the range
// from n bytes before / after the offset asked for (Content-Range says so),
// rangestatus=<code> answers a range with that status instead of 206;
// _filesize=<n> without a Range answers the bytes from n on, as 200
// (nofilesize=1 ignores it); crange=<first>-<last>/<total> answers 206 with
// that Content-Range, whatever was asked, and the resource from <first> on
// (from 0 when past its end); nolength=1 sends the body chunked, without a
// Content-Length, and with it cut=<n> ends the body cleanly after n bytes.
//   GET  /_raw/count         how many requests were recorded
//
// The same routes are served over TLS on loopback, unrecorded (the front
// would see only ciphertext), with certificates made when first asked for.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace vard::http_testing {

class RecordingFront;
class TestCertificates;
class UploadStores;

// The TLS listeners: a certificate from the test authority for 127.0.0.1,
// a self-signed one, and one from the authority for another name.
enum class TlsKind { kTrusted, kSelfSigned, kWrongName };

class TestServer {
 public:
  TestServer();
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // Through the recording front: what tests use.
  uint16_t Port() const;
  // The server itself, unrecorded (for bulk transfers).
  uint16_t DirectPort() const;
  std::string Url(std::string_view path) const;

  // The first call makes the certificates and starts the TLS listeners.
  uint16_t TlsPort(TlsKind kind = TlsKind::kTrusted);
  std::string TlsUrl(std::string_view path, TlsKind kind = TlsKind::kTrusted);
  // What a client must trust to reach kTrusted (PEM).
  const std::string& AuthorityPem();

  void AddFile(const std::string& name, std::string bytes);
  // Recorded requests (request line, headers, body), control requests left out.
  std::vector<std::string> RawRequests() const;
  std::string LastRawRequest() const;
  // Requests the server began to answer since the last ClearRecords: once a
  // client has an answer, its request is counted.
  int AnsweredRequestCount() const;
  void ClearRecords();

  bool QuitRequested() const { return quit_; }

 private:
  struct Listener;
  void Routes(httplib::Server& s);
  void StartTls();

  std::unique_ptr<Listener> plain_;
  std::unique_ptr<RecordingFront> front_;
  std::once_flag tlsStarted_;
  std::unique_ptr<TestCertificates> certificates_;
  std::vector<std::unique_ptr<Listener>> tls_;  // by TlsKind
  std::mutex filesMutex_;
  std::map<std::string, std::shared_ptr<const std::string>> files_;
  std::atomic<bool> quit_{false};
  std::unique_ptr<UploadStores> uploads_;
};

}  // namespace vard::http_testing

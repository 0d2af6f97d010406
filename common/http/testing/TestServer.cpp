#include "common/http/testing/TestServer.h"

#include <httplib.h>
#include <zlib.h>

#include <chrono>
#include <functional>
#include <stdexcept>

#include "common/http/testing/RecordingFront.h"
#include "common/http/testing/TestCertificates.h"
#include "common/http/testing/TestData.h"
#include "common/http/testing/UploadRoutes.h"

namespace vard::http_testing {
namespace {

using httplib::Request;
using httplib::Response;

uint64_t Param(const Request& req, const char* name, uint64_t fallback = 0) {
  return req.has_param(name) ? std::strtoull(req.get_param_value(name).c_str(), nullptr, 10)
                             : fallback;
}

// The requests under test on `connection`: the tests' own questions to the
// server ("/_raw/...") left out.
std::vector<std::string> RequestsUnderTest(const std::string& connection) {
  std::vector<std::string> out;
  for (auto& request : SplitRequests(connection))
    if (request.rfind("GET /_", 0) != 0) out.push_back(std::move(request));
  return out;
}

void Pause(uint64_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Gzip(const std::string& in) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, in.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Fills out[0..n) with the bytes at offset..offset+n of a resource.
using Source = std::function<void(uint64_t offset, char* out, size_t n)>;

// Sends `count` bytes of a resource from `from` on, with the body faults of
// the query: cut=<n> ends the body after n bytes (a Content-Length body by
// dropping the connection; with nolength=1 the chunked body ends cleanly,
// as a short body without a length), throttle=<bytes per second>.
void Provide(const Request& req, Response& res, uint64_t from, uint64_t count, Source source) {
  const uint64_t cut = Param(req, "cut", UINT64_MAX), throttle = Param(req, "throttle");
  const bool chunked = Param(req, "nolength") != 0;
  auto sent = std::make_shared<uint64_t>(0);
  auto next = [=](httplib::DataSink& sink, uint64_t offset, size_t length) {
    size_t n = std::min<size_t>(length, 256 * 1024);
    if (throttle) n = std::min<size_t>(n, std::max<uint64_t>(1, throttle / 20));
    n = static_cast<size_t>(std::min<uint64_t>(n, cut - *sent));
    thread_local std::string chunk;
    chunk.resize(n);
    source(from + offset, chunk.data(), n);
    if (throttle) Pause(n * 1000 / throttle);
    *sent += n;
    return sink.write(chunk.data(), n);
  };
  if (chunked) {
    res.set_chunked_content_provider("application/octet-stream", [=](size_t, httplib::DataSink& sink) {
      if (*sent >= std::min(cut, count)) {
        sink.done();
        return true;
      }
      return next(sink, *sent, static_cast<size_t>(count - *sent));
    });
    return;
  }
  res.set_content_provider(count, "application/octet-stream",
                           [=](size_t offset, size_t length, httplib::DataSink& sink) {
                             if (*sent >= cut) return false;  // drop the connection mid-body
                             return next(sink, offset, length);
                           });
}

// Answers a resource of `size` bytes with the fault options of the query.
void Serve(const Request& req, Response& res, uint64_t size, Source source) {
  Pause(Param(req, "delay"));
  if (const uint64_t status = Param(req, "status"); status && status != 200) {
    res.status = static_cast<int>(status);
    res.set_content("status " + std::to_string(status), "text/plain");
    return;
  }
  // A resume by query ("_filesize=<n>") is answered with the rest, as 200
  // (unless nofilesize=1: a server that ignores the parameter).
  if (req.has_param("_filesize") && req.ranges.empty() && !Param(req, "nofilesize")) {
    const uint64_t from = std::min<uint64_t>(Param(req, "_filesize"), size);
    size -= from;
    source = [inner = std::move(source), from](uint64_t offset, char* out, size_t n) { inner(offset + from, out, n); };
  }
  // Range faults: the server library applies req.ranges to the answer
  // after this handler, so changing them here changes what is served.
  auto& ranges = const_cast<Request&>(req).ranges;
  if (Param(req, "norange")) ranges.clear();
  if (req.has_param("crange")) {
    // 206 with the Content-Range given, whatever was asked; the body runs
    // from its first byte (from 0 past the end) to the end of the resource.
    const std::string label = req.get_param_value("crange");
    uint64_t first = std::strtoull(label.c_str(), nullptr, 10);
    if (first >= size) first = 0;
    ranges.clear();
    res.status = 206;
    res.set_header("Content-Range", "bytes " + label);
    Provide(req, res, first, size - first, source);
    return;
  }
  if (!ranges.empty() && ranges[0].first >= 0) {
    const auto back = static_cast<ssize_t>(std::min<uint64_t>(Param(req, "shift"), ranges[0].first));
    ranges[0].first += static_cast<ssize_t>(Param(req, "ahead")) - back;
    if (const uint64_t status = Param(req, "rangestatus")) res.status = static_cast<int>(status);
  }
  if (!req.ranges.empty() && req.ranges[0].first >= 0 &&
      static_cast<uint64_t>(req.ranges[0].first) >= size) {
    res.status = 416;
    res.set_header("Content-Range", "bytes */" + std::to_string(size));
    return;
  }
  if (Param(req, "gzip")) {
    std::string all(size, '\0');
    source(0, all.data(), size);
    res.set_header("Content-Encoding", "gzip");
    res.set_content(Gzip(all), "application/octet-stream");
    return;
  }
  if (size == 0) {
    // A provider of no bytes would go out without a Content-Length.
    res.set_content("", "application/octet-stream");
    return;
  }
  if (Param(req, "nolength")) {
    uint64_t from = 0;
    if (!ranges.empty() && ranges[0].first >= 0) {
      from = static_cast<uint64_t>(ranges[0].first);
      if (res.status != 200) res.status = 206;
      res.set_header("Content-Range",
                     "bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" + std::to_string(size));
      ranges.clear();
    }
    Provide(req, res, from, size - from, source);
    return;
  }
  Provide(req, res, 0, size, source);
}

// POST handlers read the body themselves: the server's default multipart
// handling rejects a body that is only the closing delimiter. Multipart
// bodies arrive as parts (the raw bytes are in the recording front).
struct PostBody {
  std::string raw;                                         // when not multipart
  std::vector<std::pair<std::string, std::string>> parts;  // name, value
};
using PostHandler = std::function<void(const Request&, Response&, const PostBody&)>;
void PostRoute(httplib::Server& s, const std::string& pattern, PostHandler handler) {
  s.Post(pattern, [handler](const Request& req, Response& res, const httplib::ContentReader& read) {
    PostBody body;
    if (req.is_multipart_form_data()) {
      read(
          [&](const httplib::MultipartFormData& part) {
            body.parts.emplace_back(part.name, "");
            return true;
          },
          [&](const char* data, size_t n) {
            if (!body.parts.empty()) body.parts.back().second.append(data, n);
            return true;
          });
    } else {
      read([&](const char* data, size_t n) {
        body.raw.append(data, n);
        return true;
      });
    }
    handler(req, res, body);
  });
}

// DataByte in runs of 2048 bytes, whose high term is constant: fast enough
// that bulk transfers measure the client, not the server.
void DataSource(uint64_t offset, char* out, size_t n) {
  while (n > 0) {
    const size_t run = std::min<size_t>(n, 2048 - (offset & 2047));
    const uint8_t high = static_cast<uint8_t>(offset >> 11);
    uint8_t low = static_cast<uint8_t>(offset * 131);
    for (size_t i = 0; i < run; ++i, low = static_cast<uint8_t>(low + 131))
      out[i] = static_cast<char>(low ^ high);
    offset += run;
    out += run;
    n -= run;
  }
}

}  // namespace

// One server library instance on a loopback port of its own, with the
// thread that runs it. Bound when made, serving from Start(): whatever the
// routes read is made in between, so the serving threads see it made.
struct TestServer::Listener {
  explicit Listener(std::unique_ptr<httplib::Server> s) : server(std::move(s)) {
    const int bound = server->is_valid() ? server->bind_to_any_port("127.0.0.1") : -1;
    if (bound <= 0) throw std::runtime_error("test server: cannot listen");
    port = static_cast<uint16_t>(bound);
  }
  void Start() {
    thread = std::thread([this] { server->listen_after_bind(); });
    for (int i = 0; i < 500 && !server->is_running(); ++i) Pause(10);
  }
  ~Listener() {
    server->stop();
    if (thread.joinable()) thread.join();
  }

  std::unique_ptr<httplib::Server> server;
  uint16_t port = 0;
  std::thread thread;
};

TestServer::TestServer() : uploads_(std::make_unique<UploadStores>()) {
  auto server = std::make_unique<httplib::Server>();
  Routes(*server);
  plain_ = std::make_unique<Listener>(std::move(server));
  front_ = std::make_unique<RecordingFront>(plain_->port);
  plain_->Start();
}

TestServer::~TestServer() {
  front_.reset();
  tls_.clear();
  plain_.reset();
}

uint16_t TestServer::Port() const { return front_->Port(); }

uint16_t TestServer::DirectPort() const { return plain_->port; }

void TestServer::StartTls() {
  std::call_once(tlsStarted_, [this] {
    tls_.clear();  // from an attempt that threw
    certificates_ = std::make_unique<TestCertificates>();
    const auto& c = *certificates_;
    for (X509* cert : {c.Trusted(), c.SelfSigned(), c.WrongName()}) {
      auto server = std::make_unique<httplib::SSLServer>(cert, c.ServerKey());
      Routes(*server);
      tls_.push_back(std::make_unique<Listener>(std::move(server)));
      tls_.back()->Start();
    }
  });
}

uint16_t TestServer::TlsPort(TlsKind kind) {
  StartTls();
  return tls_.at(static_cast<size_t>(kind))->port;
}

std::string TestServer::TlsUrl(std::string_view path, TlsKind kind) {
  return "https://127.0.0.1:" + std::to_string(TlsPort(kind)) + std::string(path);
}

const std::string& TestServer::AuthorityPem() {
  StartTls();
  return certificates_->AuthorityPem();
}

std::string TestServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(Port()) + std::string(path);
}

void TestServer::AddFile(const std::string& name, std::string bytes) {
  std::lock_guard lock(filesMutex_);
  files_[name] = std::make_shared<const std::string>(std::move(bytes));
}

std::vector<std::string> TestServer::RawRequests() const {
  std::vector<std::string> out;
  for (const auto& connection : front_->Connections())
    for (auto& request : RequestsUnderTest(connection)) out.push_back(std::move(request));
  return out;
}

int TestServer::AnsweredRequestCount() const {
  int count = 0;
  for (const auto& connection : front_->AnsweredConnections())
    count += static_cast<int>(RequestsUnderTest(connection).size());
  return count;
}

std::string TestServer::LastRawRequest() const {
  auto all = RawRequests();
  return all.empty() ? std::string() : all.back();
}

void TestServer::ClearRecords() { front_->Clear(); }

void TestServer::Routes(httplib::Server& s) {
  s.Get(R"(/data/(\d+))", [](const Request& req, Response& res) {
    Serve(req, res, std::strtoull(req.matches[1].str().c_str(), nullptr, 10), DataSource);
  });
  s.Get(R"(/files/(.+))", [this](const Request& req, Response& res) {
    std::shared_ptr<const std::string> file;
    {
      std::lock_guard lock(filesMutex_);
      auto it = files_.find(req.matches[1].str());
      if (it != files_.end()) file = it->second;
    }
    if (!file) {
      res.status = 404;
      res.set_content("status 404", "text/plain");
      return;
    }
    Serve(req, res, file->size(), [file](uint64_t offset, char* out, size_t n) {
      file->copy(out, n, static_cast<size_t>(offset));
    });
  });
  auto status = [](const Request& req, Response& res) {
    res.status = std::atoi(req.matches[1].str().c_str());
    res.set_content("status " + req.matches[1].str(), "text/plain");
  };
  s.Get(R"(/status/(\d+))", status);
  PostRoute(s, R"(/status/(\d+))", [status](const Request& req, Response& res, const PostBody&) {
    status(req, res);
  });
  s.Get("/cookie", [](const Request& req, Response& res) {
    res.set_header("Set-Cookie", req.get_param_value("set"));
    res.set_content("cookie", "text/plain");
  });
  s.Get("/redirect", [](const Request& req, Response& res) {
    res.set_redirect(req.get_param_value("to"));
  });
  auto zeros = [](const Request&, Response& res) {
    res.set_chunked_content_provider("application/octet-stream",
                                     [](size_t, httplib::DataSink& sink) {
                                       sink.write("AB\0xx", 5);
                                       Pause(300);
                                       sink.write("CD\0yy", 5);
                                       sink.done();
                                       return true;
                                     });
  };
  s.Get("/zeros", zeros);
  PostRoute(s, "/zeros", [zeros](const Request& req, Response& res, const PostBody&) {
    zeros(req, res);
  });
  PostRoute(s, "/form", [](const Request&, Response& res, const PostBody& body) {
    std::string answer;
    for (const auto& [name, value] : body.parts) answer += name + "=" + value + "\n";
    res.set_content(answer, "text/plain");
  });
  s.Get("/_raw/last", [this](const Request&, Response& res) {
    res.set_content(LastRawRequest(), "application/octet-stream");
  });
  s.Get("/_raw/all", [this](const Request&, Response& res) {
    std::string all;
    for (const auto& request : RawRequests()) all += request;
    res.set_content(all, "application/octet-stream");
  });
  s.Get("/_raw/count", [this](const Request&, Response& res) {
    res.set_content(std::to_string(AnsweredRequestCount()), "text/plain");
  });
  s.Get("/_raw/answered", [this](const Request&, Response& res) {
    // One line per answered request: its connection, first line and range.
    std::string text;
    const auto connections = front_->AnsweredConnections();
    for (size_t i = 0; i < connections.size(); ++i)
      for (const auto& request : RequestsUnderTest(connections[i])) {
        text += std::to_string(i) + " " + request.substr(0, request.find("\r\n"));
        const size_t range = request.find("Range:");
        if (range != std::string::npos) text += " |" + request.substr(range + 6, request.find("\r\n", range) - range - 6);
        text += "\n";
      }
    res.set_content(text, "text/plain");
  });
  s.Get("/_raw/clear", [this](const Request&, Response& res) {
    ClearRecords();
    res.set_content("ok", "text/plain");
  });
  AddUploadRoutes(s, *uploads_);
  s.Get("/_quit", [this](const Request&, Response& res) {
    quit_ = true;
    res.set_content("bye", "text/plain");
  });
}

}  // namespace vard::http_testing

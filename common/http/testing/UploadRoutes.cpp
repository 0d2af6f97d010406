#include "common/http/testing/UploadRoutes.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>

#include "common/http/testing/TestData.h"

namespace vard::http_testing {
namespace {

using httplib::Request;
using httplib::Response;

// Where the upload routes keep a request's own Content-Type: hidden from the
// server library, which would otherwise parse the body itself.
constexpr char kHiddenType[] = "X-Upload-Content-Type";

uint16_t PortOf(const sockaddr_storage& a) {
  return a.ss_family == AF_INET ? ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port)
                                : ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
}

// Ends the request's connection at once, so its client gets no answer: the
// server library offers no such thing, so the socket is found by its ports.
void DropConnection(const Request& req) {
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return;
  while (dirent* e = readdir(fds)) {
    const int fd = std::atoi(e->d_name);
    if (fd <= 2) continue;
    sockaddr_storage local{}, peer{};
    socklen_t n1 = sizeof local, n2 = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &n1) != 0) continue;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &n2) != 0) continue;
    if (PortOf(local) != req.local_port || PortOf(peer) != req.remote_port) continue;
    const linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    shutdown(fd, SHUT_RDWR);
  }
  closedir(fds);
}

}  // namespace

std::shared_ptr<UploadStore> UploadStores::Get(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto& store = stores_[name];
  if (!store) store = std::make_shared<UploadStore>();
  return store;
}

void UploadStores::Forget(const std::string& name) {
  std::lock_guard lock(mutex_);
  stores_.erase(name);
}

void AddUploadRoutes(httplib::Server& s, UploadStores& stores) {
  s.set_pre_routing_handler([](const Request& req, Response&) {
    if (req.path.rfind("/upload/", 0) == 0 && req.has_header("Content-Type")) {
      auto& headers = const_cast<Request&>(req).headers;
      const std::string type = req.get_header_value("Content-Type");
      headers.erase("Content-Type");
      headers.emplace(kHiddenType, type);
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  s.Post(R"(/upload/([^/]+))", [&stores](const Request& req, Response& res, const httplib::ContentReader& read) {
    auto store = stores.Get(req.matches[1].str());
    const int number = store->Begin();
    const UploadSteering steering = UploadSteering::FromQuery(
        req.get_param_value("fail"), req.get_param_value("cut"),
        req.has_param("answer") ? std::optional<std::string>(req.get_param_value("answer")) : std::nullopt);
    const std::string cookie = req.get_header_value("Cookie");
    const auto cut = steering.cutAt.find(number);
    const size_t limit = cut == steering.cutAt.end() ? SIZE_MAX : cut->second;
    std::string body;
    if (limit > 0) {
      read([&](const char* data, size_t n) {
        body.append(data, std::min(n, limit - body.size()));
        return body.size() < limit;
      });
    }
    if (cut != steering.cutAt.end()) {
      store->RecordCut(number, cookie, body.size());
      DropConnection(req);
      return;
    }
    const auto parts = ParseMultipart(body, BoundaryOf(req.get_header_value(kHiddenType)));
    int status = 200;
    const std::string answer = store->Handle(number, parts, cookie, steering, status);
    res.status = status;
    res.set_content(answer, "text/plain");
  });
  s.Get(R"(/_upload/([^/]+)/hold)", [&stores](const Request& req, Response& res) {
    const size_t size = std::strtoull(req.get_param_value("size").c_str(), nullptr, 10);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(DataByte(i));
    const int64_t time = req.has_param("time") ? std::atoll(req.get_param_value("time").c_str()) : 0;
    stores.Get(req.matches[1].str())->Hold(req.get_param_value("name"), std::move(bytes), time);
    res.set_content("ok", "text/plain");
  });
  s.Get(R"(/_upload/([^/]+)/file)", [&stores](const Request& req, Response& res) {
    const auto bytes = stores.Get(req.matches[1].str())->File(req.get_param_value("name"));
    if (!bytes) {
      res.status = 404;
      res.set_content("status 404", "text/plain");
      return;
    }
    res.set_content(*bytes, "application/octet-stream");
  });
  s.Get(R"(/_upload/([^/]+)/folder)", [&stores](const Request& req, Response& res) {
    res.set_content(stores.Get(req.matches[1].str())->HasFolder(req.get_param_value("name")) ? "yes" : "no",
                    "text/plain");
  });
  s.Get(R"(/_upload/([^/]+)/forget)", [&stores](const Request& req, Response& res) {
    stores.Forget(req.matches[1].str());
    res.set_content("ok", "text/plain");
  });
  s.Get(R"(/_upload/([^/]+)/log)", [&stores](const Request& req, Response& res) {
    std::string text;
    for (const auto& r : stores.Get(req.matches[1].str())->Records()) text += r.Line() + "\n";
    res.set_content(text, "text/plain");
  });
}

}  // namespace vard::http_testing

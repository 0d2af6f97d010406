// The HTTP service on libcurl. Each request runs on its own multi handle and
// is pumped only while a caller waits for something (headers, body bytes,
// room for upload bytes), so the body is pulled as WinINet callers pull it.
// Handles are ids into a table of shared objects: a close from another
// thread removes the id and wakes the pump, which then fails with
// kOperationCancelled; the object dies with its last user.
// Multi handles come from the process's pool, so connections to a server are
// kept alive from one request to the next.
#include "common/platform/Http.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Registry.h"
#include "common/platform/posix/ConnectionPool.h"
#include "common/platform/posix/CookieFile.h"
#include "common/platform/posix/CurlLibrary.h"
#include "common/platform/posix/HttpText.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

namespace vard::platform {

using posix::Curl;

namespace {

using posix::Narrow;

enum class Kind { kSession, kConnection, kRequest };

using SteadyClock = std::chrono::steady_clock;
constexpr uint32_t kNoTimeout = 0xFFFFFFFFu;

struct Timeouts {
  uint32_t connectMs = inet::kDefaultConnectTimeoutMs;
  uint32_t sendMs = inet::kDefaultSendTimeoutMs;
  uint32_t receiveMs = inet::kDefaultReceiveTimeoutMs;
};

struct Object {
  Kind kind;
  std::atomic<bool> closed{false};
  // Session and connection facts, copied down to requests.
  std::string agent;
  std::string host;
  uint16_t port = 0;
  std::string user, password;
  Timeouts timeouts;
  // Request.
  std::string origin;  // its multi handle goes back to the pool under this
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headerList = nullptr;
  std::string method = "GET", object, version, referrer, accept;
  uint32_t flags = 0;
  std::vector<std::string> headers;  // of the final response, status line first
  bool headersDone = false, done = false, sent = false;
  CURLcode result = CURLE_OK;
  std::string body;
  size_t bodyPos = 0;
  std::string_view upload;  // the caller's bytes, while its write lasts
  size_t uploadPos = 0;
  bool wantsBody = false, uploadPaused = false;
  bool bodyPaused = false;
  // Stall watch: what had moved when last seen, and since when nothing has.
  // Time outside the pump (the caller's own) never counts.
  bool connected = false, timedOut = false;
  curl_off_t seenDown = 0, seenUp = 0;
  size_t headerLines = 0, seenLines = 0;
  SteadyClock::time_point lastMove = SteadyClock::now();

  // Closing a handle cancels what was opened from it, as WinINet does.
  std::mutex childMutex;
  std::vector<std::weak_ptr<Object>> children;

  // A request's multi handle exists from the start, so a closing thread can
  // always wake it. Removing an unfinished transfer closes its connection.
  explicit Object(Kind k, std::string requestOrigin = {}) : kind(k), origin(std::move(requestOrigin)) {
    if (k == Kind::kRequest) multi = posix::TakeMulti(origin);
  }
  ~Object() {
    if (easy) {
      if (multi) Curl().multi_remove_handle(multi, easy);
      Curl().easy_cleanup(easy);
    }
    if (multi) posix::ReturnMulti(origin, multi);
    if (headerList) Curl().slist_free_all(headerList);
  }
};

std::string Origin(bool secure, const std::string& host, uint16_t port) {
  const bool literal6 = host.find(':') != std::string::npos && host.front() != '[';
  return (secure ? "https://" : "http://") + (literal6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

// The user's own values first, WinINet's defaults else.
Timeouts UserTimeouts() {
  Timeouts t;
  auto& reg = SystemRegistry();
  auto read = [&](const char16_t* name, uint32_t& into) {
    if (auto v = reg.ReadDword(RegistryRoot::kCurrentUser, inet::kInternetSettingsKey, name); v && *v) into = *v;
  };
  read(u"ConnectTimeout", t.connectMs);
  read(u"SendTimeout", t.sendMs);
  read(u"ReceiveTimeout", t.receiveMs);
  return t;
}

std::mutex g_mutex;
std::unordered_map<uintptr_t, std::shared_ptr<Object>> g_handles;
uintptr_t g_nextHandle = 0x100;

InternetHandle Register(std::shared_ptr<Object> object) {
  std::lock_guard lock(g_mutex);
  const uintptr_t id = (g_nextHandle += 4);
  g_handles[id] = std::move(object);
  return reinterpret_cast<InternetHandle>(id);
}

std::shared_ptr<Object> Find(InternetHandle handle, Kind kind) {
  std::lock_guard lock(g_mutex);
  auto it = g_handles.find(reinterpret_cast<uintptr_t>(handle));
  if (it == g_handles.end()) {
    SetLastErrorCode(error::kInvalidHandle);
    return nullptr;
  }
  if (it->second->kind != kind) {
    SetLastErrorCode(inet::kIncorrectHandleType);
    return nullptr;
  }
  return it->second;
}

using posix::Fail;

uint32_t MapCurlError(CURLcode code) {
  switch (code) {
    case CURLE_TOO_MANY_REDIRECTS: return inet::kRedirectFailed;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return inet::kNameNotResolved;
    case CURLE_COULDNT_CONNECT: return inet::kCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return inet::kTimeout;
    case CURLE_UNSUPPORTED_PROTOCOL: return inet::kUnrecognizedScheme;
    case CURLE_URL_MALFORMAT: return inet::kInvalidUrl;
    case CURLE_SEND_ERROR: return inet::kConnectionReset;
    case CURLE_WEIRD_SERVER_REPLY: return inet::kInvalidServerResponse;
    case CURLE_PEER_FAILED_VERIFICATION: return inet::kInvalidCa;
    default: return inet::kConnectionAborted;
  }
}

uint32_t ErrorOf(const Object& o) {
  if (o.timedOut) return inet::kTimeout;
  // A redirect to a scheme other than http or https.
  long hops = 0;
  if (o.result == CURLE_UNSUPPORTED_PROTOCOL && o.easy &&
      Curl().easy_getinfo(o.easy, CURLINFO_REDIRECT_COUNT, &hops) == CURLE_OK && hops > 0)
    return inet::kRedirectFailed;
  return MapCurlError(o.result == CURLE_OK ? CURLE_GOT_NOTHING : o.result);
}

// A body closed cleanly before its length ends like a whole one, as WinINet
// ends it; the download job asks again from what it has.
bool FailedBody(const Object& o) { return o.result != CURLE_OK && o.result != CURLE_PARTIAL_FILE; }

int StatusOfLine(const std::string& line) {
  const auto space = line.find(' ');
  return space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
}

int StatusOf(const Object& o) { return o.headers.empty() ? 0 : StatusOfLine(o.headers.front()); }

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& o = *static_cast<Object*>(user);
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  ++o.headerLines;
  if (line.rfind("HTTP/", 0) == 0) {
    o.headers.clear();
    o.body.clear();
    o.bodyPos = 0;
    // A post is followed to a 301, 302 or 303 as a GET; a 307 or 308 would
    // send its body again, which the caller has streamed: it is the answer.
    const int status = StatusOfLine(line);
    if (o.method == "POST" && (status == 307 || status == 308))
      Curl().easy_setopt(o.easy, CURLOPT_FOLLOWLOCATION, 0L);
  }
  if (!line.empty()) {
    // Cookies the server sets go to the store, unless the request keeps off it.
    if (posix::HeaderNameIs(line, "Set-Cookie") && !(o.flags & inet::kFlagNoCookies)) {
      const char* url = nullptr;
      if (Curl().easy_getinfo(o.easy, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url)
        SetCookie(Utf8ToUtf16(url), u"", Utf8ToUtf16(posix::HeaderValue(line)));
    }
    o.headers.push_back(std::move(line));
    return size * count;
  }
  // The blank line: final unless informational or a redirect being followed.
  const int status = StatusOf(o);
  bool follows = !(o.flags & inet::kFlagNoAutoRedirect);
  if (o.method == "POST") follows = follows && (status == 301 || status == 302 || status == 303);
  else if (o.method != "GET") follows = false;
  const bool redirect = (status == 301 || status == 302 || status == 303 || status == 307 ||
                         status == 308) && posix::FindHeader(o.headers, "Location", 0).has_value();
  if (status >= 200 && !(follows && redirect)) o.headersDone = true;
  // The next hop may go to another server: its connect is timed as a connect.
  else if (status >= 300) o.connected = false;
  return size * count;
}

// Unread body bytes held for the caller before the transfer pauses: the
// network is read as the caller reads, memory stays bounded, and a caller
// that holds a rate gets blocks of about this size.
constexpr size_t kBodyHeld = 64 * 1024;

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& o = *static_cast<Object*>(user);
  if (o.headersDone && o.body.size() - o.bodyPos >= kBodyHeld) {
    o.bodyPaused = true;
    return CURL_WRITEFUNC_PAUSE;  // handed in again on resuming
  }
  o.body.append(data, size * count);
  return size * count;
}

void ResumeBody(Object& o) {
  if (!o.bodyPaused || o.body.size() - o.bodyPos >= kBodyHeld) return;
  o.bodyPaused = false;
  Curl().easy_pause(o.easy, o.uploadPaused ? CURLPAUSE_SEND : CURLPAUSE_CONT);
}

size_t OnUpload(char* buffer, size_t size, size_t count, void* user) {
  auto& o = *static_cast<Object*>(user);
  const size_t left = o.upload.size() - o.uploadPos;
  if (left == 0) {
    o.wantsBody = true;
    o.uploadPaused = true;
    return CURL_READFUNC_PAUSE;
  }
  const size_t n = std::min(left, size * count);
  std::memcpy(buffer, o.upload.data() + o.uploadPos, n);
  o.uploadPos += n;
  return n;
}

// The connection is up (or reused) and the request about to go: from here
// on the send and receive timeouts watch it.
int OnConnected(void* user, char*, char*, int, int) {
  auto& o = *static_cast<Object*>(user);
  o.connected = true;
  o.lastMove = SteadyClock::now();
  return CURL_PREREQFUNC_OK;
}

// Ends a transfer that moved no byte for longer than its timeout: the send
// timeout while upload bytes wait to go, the receive timeout else.
int OnProgress(void* user, curl_off_t, curl_off_t downNow, curl_off_t, curl_off_t upNow) {
  auto& o = *static_cast<Object*>(user);
  const auto now = SteadyClock::now();
  if (downNow != o.seenDown || upNow != o.seenUp || o.headerLines != o.seenLines || !o.connected) {
    o.seenDown = downNow;
    o.seenUp = upNow;
    o.seenLines = o.headerLines;
    o.lastMove = now;
    return 0;
  }
  const uint32_t limit = o.uploadPos < o.upload.size() ? o.timeouts.sendMs : o.timeouts.receiveMs;
  if (limit == kNoTimeout || now - o.lastMove < std::chrono::milliseconds(limit)) return 0;
  o.timedOut = true;
  return 1;
}

// Runs the transfer until `ready` holds or it ends. False when the handle was
// closed meanwhile.
template <typename Ready>
bool Pump(Object& o, Ready ready) {
  o.lastMove = SteadyClock::now();
  while (!ready() && !o.done) {
    if (o.closed) return Fail(inet::kOperationCancelled);
    int running = 0;
    Curl().multi_perform(o.multi, &running);
    int queued = 0;
    while (CURLMsg* m = Curl().multi_info_read(o.multi, &queued)) {
      if (m->msg == CURLMSG_DONE) {
        o.done = true;
        o.result = m->data.result;
      }
    }
    if (ready() || o.done) break;
    Curl().multi_poll(o.multi, nullptr, 0, 250, nullptr);
  }
  if (o.closed) return Fail(inet::kOperationCancelled);
  return true;
}

bool HeadersArrived(Object& o) {
  if (!Pump(o, [&] { return o.headersDone; })) return false;
  if (!o.headersDone) return Fail(ErrorOf(o));
  return true;
}

void Adopt(Object& parent, const std::shared_ptr<Object>& child) {
  std::lock_guard lock(parent.childMutex);
  std::erase_if(parent.children, [](const auto& w) { return w.expired(); });
  parent.children.push_back(child);
  if (parent.closed) child->closed = true;
}

void Cancel(Object& o) {
  o.closed = true;
  if (o.multi) Curl().multi_wakeup(o.multi);
  std::vector<std::shared_ptr<Object>> children;
  {
    std::lock_guard lock(o.childMutex);
    for (auto& w : o.children)
      if (auto c = w.lock()) children.push_back(std::move(c));
  }
  for (auto& c : children) Cancel(*c);
}

void Start(Object& o, const std::string& url, const std::string& headerText) {
  o.easy = Curl().easy_init();
  CURL* e = o.easy;
  Curl().easy_setopt(e, CURLOPT_URL, url.c_str());
  Curl().easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  if (GetEnv("VARDEL_DEBUG")) Curl().easy_setopt(e, CURLOPT_VERBOSE, 1L);
  Curl().easy_setopt(e, CURLOPT_BUFFERSIZE, 128L * 1024);
  // A caller's large write leaves in large sends, not 64 KiB at a time.
  Curl().easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
  // Trusted authorities from a file of one's own (tests, private networks),
  // named as for curl's tools; certificates are verified either way.
  if (const auto ca = GetEnv("CURL_CA_BUNDLE")) Curl().easy_setopt(e, CURLOPT_CAINFO, ca->c_str());
  if (!o.agent.empty()) Curl().easy_setopt(e, CURLOPT_USERAGENT, o.agent.c_str());
  if (!o.referrer.empty()) Curl().easy_setopt(e, CURLOPT_REFERER, o.referrer.c_str());
  if (!o.user.empty()) {
    Curl().easy_setopt(e, CURLOPT_USERNAME, o.user.c_str());
    Curl().easy_setopt(e, CURLOPT_PASSWORD, o.password.c_str());
  }
  Curl().easy_setopt(e, CURLOPT_HTTP_VERSION,
                     o.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  // Only http and https, also where a redirect points; a bounded number of
  // hops, so a loop ends in the redirect error.
  Curl().easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  Curl().easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  Curl().easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(inet::kMaxRedirects));
  if ((o.method == "GET" || o.method == "POST") && !(o.flags & inet::kFlagNoAutoRedirect))
    Curl().easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  // WinINet's timeouts: the connect by curl, the stalls by the progress watch.
  const uint32_t connectMs = o.timeouts.connectMs;
  Curl().easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connectMs == kNoTimeout ? 0L : static_cast<long>(connectMs));
  Curl().easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  Curl().easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnProgress);
  Curl().easy_setopt(e, CURLOPT_XFERINFODATA, &o);
  Curl().easy_setopt(e, CURLOPT_PREREQFUNCTION, OnConnected);
  Curl().easy_setopt(e, CURLOPT_PREREQDATA, &o);
  // WinINet sends Accept only when given accept types.
  o.headerList = Curl().slist_append(o.headerList, o.accept.empty() ? "Accept:" : ("Accept: " + o.accept).c_str());
  for (const auto& line : posix::SplitHeaderText(headerText)) {
    o.headerList = Curl().slist_append(o.headerList, line.c_str());
    // Asked for compressed answers: let curl hand them on decoded.
    if (posix::HeaderNameIs(line, "Accept-Encoding"))
      Curl().easy_setopt(e, CURLOPT_ACCEPT_ENCODING, posix::HeaderValue(line).c_str());
  }
  o.headerList = Curl().slist_append(o.headerList, "Expect:");
  // Headers WinINet adds for the request flags.
  if (o.flags & inet::kFlagPragmaNoCache) o.headerList = Curl().slist_append(o.headerList, "Pragma: no-cache");
  if ((o.flags & inet::kFlagNoCacheWrite) && o.method == "POST")
    o.headerList = Curl().slist_append(o.headerList, "Cache-Control: no-cache");
  if (o.flags & inet::kFlagKeepConnection)
    o.headerList = Curl().slist_append(o.headerList, "Connection: Keep-Alive");
  // Cookies from the store, chosen by curl's engine for each hop by its host,
  // path and scheme (what hops set joins them); new ones go to the store in
  // OnHeader.
  if (!(o.flags & inet::kFlagNoCookies)) {
    // "" starts the engine empty when there is no store yet.
    std::string file = posix::CookieFilePath();
    if (!file.empty() && ::access(file.c_str(), R_OK) != 0) file.clear();
    Curl().easy_setopt(e, CURLOPT_COOKIEFILE, file.c_str());
  }
  Curl().easy_setopt(e, CURLOPT_HTTPHEADER, o.headerList);
  Curl().easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  Curl().easy_setopt(e, CURLOPT_HEADERDATA, &o);
  Curl().easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  Curl().easy_setopt(e, CURLOPT_WRITEDATA, &o);
  Curl().multi_add_handle(o.multi, e);
  o.sent = true;
}

std::string Opt(const char16_t* text) { return text ? Narrow(text) : std::string(); }

}  // namespace

InternetHandle OpenSession(const char16_t* agent, uint32_t, const char16_t*, const char16_t*,
                           uint32_t) {
  if (!posix::LoadCurl()) {
    SetLastErrorCode(error::kModuleNotFound);
    return nullptr;
  }
  auto o = std::make_shared<Object>(Kind::kSession);
  o->agent = Opt(agent);
  o->timeouts = UserTimeouts();
  return Register(std::move(o));
}

InternetHandle ConnectServer(InternetHandle session, const char16_t* server, uint16_t port,
                             const char16_t* user, const char16_t* password, uint32_t service,
                             uint32_t, uintptr_t) {
  auto s = Find(session, Kind::kSession);
  if (!s) return nullptr;
  if (service != inet::kServiceHttp || !server || !*server) {
    SetLastErrorCode(error::kInvalidParameter);
    return nullptr;
  }
  auto o = std::make_shared<Object>(Kind::kConnection);
  o->agent = s->agent;
  o->timeouts = s->timeouts;
  o->host = Narrow(server);
  o->port = port ? port : inet::kDefaultHttpPort;
  o->user = Opt(user);
  o->password = Opt(password);
  Adopt(*s, o);
  return Register(std::move(o));
}

InternetHandle OpenRequest(InternetHandle connection, const char16_t* verb, const char16_t* object,
                           const char16_t* version, const char16_t* referrer,
                           const char16_t* const* acceptTypes, uint32_t flags, uintptr_t) {
  auto c = Find(connection, Kind::kConnection);
  if (!c) return nullptr;
  auto o = std::make_shared<Object>(Kind::kRequest, Origin(flags & inet::kFlagSecure, c->host, c->port));
  o->agent = c->agent;
  o->timeouts = c->timeouts;
  o->host = c->host;
  o->port = c->port;
  o->user = c->user;
  o->password = c->password;
  o->method = verb && *verb ? Narrow(verb) : "GET";
  o->object = object && *object ? Narrow(object) : "/";
  o->version = version ? Narrow(version) : "HTTP/1.1";
  o->referrer = Opt(referrer);
  o->flags = flags;
  for (auto p = acceptTypes; p && *p; ++p) o->accept += (o->accept.empty() ? "" : ", ") + Narrow(*p);
  Adopt(*c, o);
  return Register(std::move(o));
}

InternetHandle OpenUrl(InternetHandle session, const char16_t* url, const char16_t* headers,
                       uint32_t headersLength, uint32_t flags, uintptr_t) {
  auto s = Find(session, Kind::kSession);
  if (!s) return nullptr;
  UrlComponents parts;
  if (!url || !CrackUrl(url, parts)) return nullptr;
  if (parts.schemeNumber != inet::Scheme::kHttp && parts.schemeNumber != inet::Scheme::kHttps) {
    SetLastErrorCode(inet::kUnrecognizedScheme);
    return nullptr;
  }
  auto o = std::make_shared<Object>(
      Kind::kRequest, Origin(parts.schemeNumber == inet::Scheme::kHttps, Narrow(parts.host), parts.port));
  o->agent = s->agent;
  o->timeouts = s->timeouts;
  o->flags = flags;
  Adopt(*s, o);
  std::u16string headerText;
  if (headers) headerText = headersLength == 0xFFFFFFFFu ? std::u16string(headers)
                                                         : std::u16string(headers, headersLength);
  Start(*o, Narrow(url), Narrow(headerText));
  if (!HeadersArrived(*o)) return nullptr;
  return Register(std::move(o));
}

bool SendRequestEx(InternetHandle request, const char16_t* headers, uint32_t headersLength,
                   uint32_t bodyTotal) {
  auto o = Find(request, Kind::kRequest);
  if (!o) return false;
  if (o->sent) return Fail(inet::kIncorrectHandleState);
  std::u16string headerText;
  if (headers) headerText = headersLength == 0xFFFFFFFFu ? std::u16string(headers)
                                                         : std::u16string(headers, headersLength);
  // The secure flag asks for TLS, with the same checks as any download.
  const std::string url = Origin(o->flags & inet::kFlagSecure, o->host, o->port) + o->object;
  Start(*o, url, Narrow(headerText));
  if (o->method == "POST") Curl().easy_setopt(o->easy, CURLOPT_POST, 1L);
  else if (o->method != "GET") Curl().easy_setopt(o->easy, CURLOPT_CUSTOMREQUEST, o->method.c_str());
  Curl().easy_setopt(o->easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyTotal));
  Curl().easy_setopt(o->easy, CURLOPT_READFUNCTION, OnUpload);
  Curl().easy_setopt(o->easy, CURLOPT_READDATA, o.get());
  // Sent once the server takes the request: curl asks for the first body
  // bytes, or (no body) the answer starts.
  if (!Pump(*o, [&] { return o->wantsBody || o->headersDone; })) return false;
  if (o->done && !o->headersDone) return Fail(ErrorOf(*o));
  return true;
}

bool WriteData(InternetHandle file, const void* buffer, uint32_t count, uint32_t* written) {
  auto o = Find(file, Kind::kRequest);
  if (!o) return false;
  if (!o->sent) return Fail(inet::kIncorrectHandleState);
  // Taken from the caller's buffer with no copy of ours: the write returns
  // only once curl has every byte or the request failed.
  o->upload = std::string_view(static_cast<const char*>(buffer), count);
  o->uploadPos = 0;
  struct Forget {
    Object& o;
    ~Forget() { o.upload = {}, o.uploadPos = 0; }
  } forget{*o};
  if (o->uploadPaused) {
    o->uploadPaused = false;
    Curl().easy_pause(o->easy, CURLPAUSE_CONT);
  }
  if (!Pump(*o, [&] { return o->uploadPos == o->upload.size(); })) return false;
  if (o->uploadPos != o->upload.size()) return Fail(ErrorOf(*o));
  if (written) *written = count;
  return true;
}

bool EndRequest(InternetHandle request) {
  auto o = Find(request, Kind::kRequest);
  if (!o) return false;
  if (!o->sent) return Fail(inet::kIncorrectHandleState);
  return HeadersArrived(*o);
}

bool QueryDataAvailable(InternetHandle file, uint32_t* available) {
  auto o = Find(file, Kind::kRequest);
  if (!o) return false;
  if (!o->headersDone) return Fail(inet::kIncorrectHandleState);
  if (!Pump(*o, [&] { return o->bodyPos < o->body.size(); })) return false;
  const size_t n = o->body.size() - o->bodyPos;
  if (n == 0 && FailedBody(*o)) return Fail(ErrorOf(*o));
  if (available) *available = static_cast<uint32_t>(std::min<size_t>(n, 0xFFFFFFFFu));
  return true;
}

bool ReadData(InternetHandle file, void* buffer, uint32_t count, uint32_t* read) {
  auto o = Find(file, Kind::kRequest);
  if (!o) return false;
  if (!o->headersDone) return Fail(inet::kIncorrectHandleState);
  // In turns: the transfer holds back what does not fit its buffer.
  size_t got = 0;
  for (;;) {
    const size_t n = std::min<size_t>(count - got, o->body.size() - o->bodyPos);
    if (n) std::memcpy(static_cast<char*>(buffer) + got, o->body.data() + o->bodyPos, n);
    got += n;
    o->bodyPos += n;
    if (o->bodyPos == o->body.size()) {
      o->body.clear();
      o->bodyPos = 0;
    }
    ResumeBody(*o);
    if (got == count || (o->done && o->body.empty())) break;
    if (!Pump(*o, [&] { return o->bodyPos < o->body.size(); })) return false;
  }
  if (got == 0 && count > 0 && FailedBody(*o)) return Fail(ErrorOf(*o));
  if (read) *read = static_cast<uint32_t>(got);
  return true;
}

bool QueryInfo(InternetHandle request, uint32_t query, void* buffer, uint32_t* length,
               uint32_t* index) {
  auto o = Find(request, Kind::kRequest);
  if (!o || !length) return o ? Fail(error::kInvalidParameter) : false;
  if (!o->headersDone) return Fail(inet::kIncorrectHandleState);
  const uint32_t code = query & 0xFFFF;
  const bool number = (query & inet::kQueryFlagNumber) != 0;
  std::string value;
  if (code == inet::kQueryStatusCode) {
    value = std::to_string(StatusOf(*o));
  } else if (code == inet::kQueryRawHeadersCrlf) {
    for (const auto& line : o->headers) value += line + "\r\n";
    value += "\r\n";
  } else if (code == inet::kQueryStatusText) {
    const auto& line = o->headers.front();
    const auto a = line.find(' '), b = a == std::string::npos ? a : line.find(' ', a + 1);
    value = b == std::string::npos ? std::string() : line.substr(b + 1);
  } else {
    const char* name = posix::QueryHeaderName(code);
    const auto found = name ? posix::FindHeader(o->headers, name, index ? *index : 0) : std::nullopt;
    if (!found) return Fail(inet::kHeaderNotFound);
    value = *found;
    if (index) ++*index;
  }
  if (number) {
    if (*length < 4) return Fail(inet::kInsufficientBuffer);
    const uint32_t v = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    std::memcpy(buffer, &v, 4);
    *length = 4;
    return true;
  }
  const std::u16string text = Utf8ToUtf16(value);
  const uint32_t need = static_cast<uint32_t>((text.size() + 1) * 2);
  if (!buffer || *length < need) {
    *length = need;
    return Fail(inet::kInsufficientBuffer);
  }
  std::memcpy(buffer, text.c_str(), need);
  *length = need - 2;
  return true;
}

bool CloseInternetHandle(InternetHandle handle) {
  std::shared_ptr<Object> o;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_handles.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_handles.end()) return Fail(error::kInvalidHandle);
    o = std::move(it->second);
    g_handles.erase(it);
  }
  Cancel(*o);
  return true;
}

bool SetOption(InternetHandle handle, uint32_t option, const void* buffer, uint32_t length) {
  std::shared_ptr<Object> o;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_handles.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_handles.end()) return Fail(error::kInvalidHandle);
    o = it->second;
  }
  if (!buffer || length < sizeof(uint32_t)) return Fail(error::kInvalidParameter);
  uint32_t value = 0;
  std::memcpy(&value, buffer, sizeof value);
  // A transfer under way reads these from its own thread.
  if (o->sent) return Fail(inet::kIncorrectHandleState);
  switch (option) {
    case inet::kOptionConnectTimeout: o->timeouts.connectMs = value; return true;
    case inet::kOptionSendTimeout: o->timeouts.sendMs = value; return true;
    case inet::kOptionReceiveTimeout: o->timeouts.receiveMs = value; return true;
    default: return Fail(error::kInvalidParameter);
  }
}

bool QueryOption(InternetHandle handle, uint32_t option, void* buffer, uint32_t* length) {
  auto o = Find(handle, Kind::kRequest);
  if (!o || !length) return o ? Fail(error::kInvalidParameter) : false;
  if (option != inet::kOptionUrl) return Fail(error::kInvalidParameter);
  // curl's own record of where the last hop went.
  const char* url = nullptr;
  if (!o->easy || !o->headersDone || Curl().easy_getinfo(o->easy, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || !url)
    return Fail(inet::kIncorrectHandleState);
  const std::u16string text = Utf8ToUtf16(url);
  const uint32_t need = static_cast<uint32_t>((text.size() + 1) * 2);
  if (!buffer || *length < need) {
    *length = need;
    return Fail(inet::kInsufficientBuffer);
  }
  std::memcpy(buffer, text.c_str(), need);
  *length = need - 2;
  return true;
}

bool LastResponseInfo(uint32_t* error, char16_t* buffer, uint32_t* length) {
  // HTTP leaves no response text; WinINet reports an empty one.
  if (error) *error = 0;
  if (!length) return Fail(error::kInvalidParameter);
  if (buffer && *length > 0) buffer[0] = 0;
  *length = 0;
  return true;
}

}  // namespace vard::platform

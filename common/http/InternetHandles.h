#pragma once
// Owners of HTTP handles: each closes its handle when destroyed, starts empty
// and can be reopened after Close(). Every failing call throws
// CInternetException. Owned by one thread; only Close() may come from another
// (it breaks a call blocked on the handle).
#include <atomic>
#include <cstdint>
#include <string>

#include "common/http/InternetException.h"
#include "common/platform/Http.h"

namespace vard {

class CInternetHandle {
 public:
  CInternetHandle() = default;
  virtual ~CInternetHandle();
  CInternetHandle(const CInternetHandle&) = delete;
  CInternetHandle& operator=(const CInternetHandle&) = delete;

  platform::InternetHandle Handle() const { return handle_.load(); }
  bool IsOpen() const { return Handle() != nullptr; }
  void Close();
  // A numeric option (a timeout in milliseconds ...); false when refused.
  bool SetOption(uint32_t option, uint32_t value);

 protected:
  // Reopening drops whatever the object still held.
  void Attach(platform::InternetHandle handle) {
    if (auto old = handle_.exchange(handle)) platform::CloseInternetHandle(old);
  }
  uintptr_t Context() const { return reinterpret_cast<uintptr_t>(this); }

 private:
  std::atomic<platform::InternetHandle> handle_{nullptr};
};

class CInternetSession : public CInternetHandle {
 public:
  // A null agent stands for the program's file name without extension.
  void Open(const char16_t* agent, uint32_t accessType = platform::inet::kOpenTypePreconfig,
            const char16_t* proxy = nullptr, const char16_t* proxyBypass = nullptr,
            uint32_t flags = 0);
  static std::u16string ProgramAgentName();
};

class CInternetConnection : public CInternetHandle {};

class CHttpConnection : public CInternetConnection {
 public:
  void Connect(platform::InternetHandle session, const std::u16string& server, uint16_t port,
               const char16_t* user, const char16_t* password,
               uint32_t service = platform::inet::kServiceHttp, uint32_t flags = 0);
};

// Header text given to a request loses any line holding a lone CR or LF or
// a NUL (OneLineText.h): such a line never reaches the server.
class CInternetFile : public CInternetHandle {
 public:
  void OpenUrl(platform::InternetHandle session, const std::u16string& url,
               const std::u16string& headers, uint32_t flags);
  // Numeric header (status code, content length ...); false when absent.
  bool QueryInfoNumber(uint32_t query, uint32_t& value, uint32_t* index = nullptr);
  // Text header read into a 128-byte buffer; false when absent or longer.
  bool QueryInfoText(uint32_t query, std::u16string& value);
  // The URL the answer came from, after its redirects; empty when the
  // handle cannot say.
  std::u16string Url();
  // Bytes that can be read without waiting; 0 at the end of the body.
  uint32_t QueryDataAvailable();
  // Bytes read; 0 at the end of the body.
  uint32_t Read(void* buffer, uint32_t count);
  uint32_t Write(const void* buffer, uint32_t count);
};

class CHttpFile : public CInternetFile {
 public:
  // acceptTypes: null-terminated list, or null.
  void OpenRequest(platform::InternetHandle connection, const std::u16string& verb,
                   const std::u16string& object, const char16_t* version,
                   const char16_t* referrer, const char16_t* const* acceptTypes, uint32_t flags);
  void SendRequestEx(const std::u16string& headers, uint32_t bodyTotal);
  void EndRequest();
};

}  // namespace vard

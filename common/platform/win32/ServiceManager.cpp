// The service control manager of the system.
#include "common/platform/ServiceManager.h"

#include <windows.h>

#include <mutex>

#include "common/platform/win32/Wide.h"

namespace vard::platform {
namespace {

using win32::W;

// Manager and service handles closed together.
class ServiceHandles {
 public:
  ServiceHandles(const std::u16string& name, DWORD managerAccess, DWORD serviceAccess) {
    manager_ = ::OpenSCManagerW(nullptr, nullptr, managerAccess);
    if (!manager_) {
      error_ = ERROR_INVALID_HANDLE;
      return;
    }
    service_ = ::OpenServiceW(manager_, W(name), serviceAccess);
    if (!service_) error_ = ::GetLastError();
  }
  ~ServiceHandles() {
    if (service_) ::CloseServiceHandle(service_);
    if (manager_) ::CloseServiceHandle(manager_);
  }
  ServiceHandles(const ServiceHandles&) = delete;
  ServiceHandles& operator=(const ServiceHandles&) = delete;

  SC_HANDLE Service() const { return service_; }
  uint32_t Error() const { return error_; }

 private:
  SC_HANDLE manager_ = nullptr;
  SC_HANDLE service_ = nullptr;
  uint32_t error_ = 0;
};

uint32_t Result(BOOL ok) { return ok ? 0 : ::GetLastError(); }

// The one service of this process, as the dispatcher and handler see it.
struct ProcessService {
  std::mutex mutex;
  std::u16string name;
  std::function<void()> main;
  std::function<void(uint32_t)> handler;
  SERVICE_STATUS_HANDLE status = nullptr;
};
ProcessService& Current() {
  static ProcessService s;
  return s;
}

void WINAPI ServiceMainEntry(DWORD, LPWSTR*) {
  std::function<void()> main;
  {
    std::lock_guard lock(Current().mutex);
    main = Current().main;
  }
  if (main) main();
}

DWORD WINAPI HandlerEntry(DWORD control, DWORD, LPVOID, LPVOID) {
  std::function<void(uint32_t)> handler;
  {
    std::lock_guard lock(Current().mutex);
    handler = Current().handler;
  }
  if (handler) handler(control);
  return NO_ERROR;
}

class SystemManager final : public IServiceManager {
 public:
  uint32_t Create(const ServiceConfig& c) override {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager) return ERROR_INVALID_HANDLE;
    // A path with blanks must be quoted, or the manager runs a shorter one.
    std::u16string path = c.programPath;
    if (path.find(u' ') != std::u16string::npos && path.front() != u'"') path = u"\"" + path + u"\"";
    SC_HANDLE s = ::CreateServiceW(manager, W(c.name), W(c.displayName), SERVICE_ALL_ACCESS, c.type, c.startType,
                                   c.errorControl, W(path), nullptr, nullptr, nullptr, nullptr, nullptr);
    const uint32_t result = s ? 0 : ::GetLastError();
    if (s) ::CloseServiceHandle(s);
    ::CloseServiceHandle(manager);
    return result;
  }

  uint32_t SetDescription(const std::u16string& name, const std::u16string& description) override {
    ServiceHandles h(name, SC_MANAGER_ALL_ACCESS, SERVICE_CHANGE_CONFIG);
    if (h.Error()) return h.Error();
    std::wstring text(description.begin(), description.end());
    SERVICE_DESCRIPTIONW d{text.data()};
    return Result(::ChangeServiceConfig2W(h.Service(), SERVICE_CONFIG_DESCRIPTION, &d));
  }

  uint32_t SetFailureActions(const std::u16string& name, uint32_t resetPeriodSeconds,
                             const std::vector<FailureAction>& actions) override {
    ServiceHandles h(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
    if (h.Error()) return h.Error();
    std::vector<SC_ACTION> list;
    for (const FailureAction& a : actions) list.push_back({static_cast<SC_ACTION_TYPE>(a.type), a.delayMs});
    SERVICE_FAILURE_ACTIONSW f{};
    f.dwResetPeriod = resetPeriodSeconds;
    f.cActions = static_cast<DWORD>(list.size());
    f.lpsaActions = list.data();
    return Result(::ChangeServiceConfig2W(h.Service(), SERVICE_CONFIG_FAILURE_ACTIONS, &f));
  }

  uint32_t Delete(const std::u16string& name) override {
    ServiceHandles h(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
    if (h.Error()) return h.Error();
    return Result(::DeleteService(h.Service()));
  }

  uint32_t Start(const std::u16string& name) override {
    ServiceHandles h(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
    if (h.Error()) return h.Error();
    return Result(::StartServiceW(h.Service(), 0, nullptr));
  }

  uint32_t Control(const std::u16string& name, uint32_t control, uint32_t* state) override {
    ServiceHandles h(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
    if (h.Error()) return h.Error();
    SERVICE_STATUS status{};
    if (!::ControlService(h.Service(), control, &status)) return ::GetLastError();
    if (state) *state = status.dwCurrentState;
    return 0;
  }

  bool RunDispatcher(const std::u16string& name, std::function<void()> serviceMain) override {
    std::wstring wideName(name.begin(), name.end());
    {
      std::lock_guard lock(Current().mutex);
      Current().name = name;
      Current().main = std::move(serviceMain);
    }
    SERVICE_TABLE_ENTRYW table[] = {{wideName.data(), ServiceMainEntry}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) != FALSE;
  }

  bool RegisterHandler(const std::u16string& name, std::function<void(uint32_t)> handler) override {
    std::lock_guard lock(Current().mutex);
    Current().handler = std::move(handler);
    Current().status = ::RegisterServiceCtrlHandlerExW(W(name), HandlerEntry, nullptr);
    return Current().status != nullptr;
  }

  bool ReportStatus(const ServiceStatus& s) override {
    SERVICE_STATUS_HANDLE handle;
    {
      std::lock_guard lock(Current().mutex);
      handle = Current().status;
    }
    if (!handle) {
      ::SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    SERVICE_STATUS status{};
    status.dwServiceType = s.type;
    status.dwCurrentState = s.state;
    status.dwControlsAccepted = s.acceptedControls;
    return ::SetServiceStatus(handle, &status) != FALSE;
  }

  bool HasConsoleWindow() override { return ::GetConsoleWindow() != nullptr; }
};

}  // namespace

IServiceManager& SystemServiceManager() {
  static SystemManager manager;
  return manager;
}

}  // namespace vard::platform

#pragma once
// A control manager in memory for the service tests: one service whose
// state the test sets, every call recorded.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/platform/ServiceManager.h"

namespace vard::fsb::testing {

class FakeServiceManager final : public platform::IServiceManager {
 public:
  uint32_t Create(const platform::ServiceConfig& config) override {
    calls.push_back("create");
    if (installed) return platform::error::kServiceExists;
    installed = true;
    created = config;
    return 0;
  }
  uint32_t SetDescription(const std::u16string&, const std::u16string& text) override {
    calls.push_back("description");
    description = text;
    return 0;
  }
  uint32_t SetFailureActions(const std::u16string&, uint32_t, const std::vector<platform::FailureAction>& a) override {
    calls.push_back("failure actions");
    actions = a;
    return failureActionsResult;
  }
  uint32_t Delete(const std::u16string&) override {
    calls.push_back("delete");
    if (!installed) return platform::error::kServiceDoesNotExist;
    installed = false;
    return 0;
  }
  uint32_t Start(const std::u16string&) override {
    calls.push_back("start");
    if (!installed) return platform::error::kServiceDoesNotExist;
    if (onStart) onStart();
    return 0;
  }
  uint32_t Control(const std::u16string&, uint32_t control, uint32_t* answered) override {
    calls.push_back("control " + std::to_string(control));
    if (!installed) return platform::error::kServiceDoesNotExist;
    if (state == platform::service::kStopped) return platform::error::kServiceNotActive;
    if (control == platform::service::kControlStop && onStop) onStop();
    if (answered) *answered = state;
    return 0;
  }
  bool RunDispatcher(const std::u16string&, std::function<void()> main) override {
    main();
    return true;
  }
  bool RegisterHandler(const std::u16string&, std::function<void(uint32_t)> h) override {
    handler = std::move(h);
    return registerResult;
  }
  bool ReportStatus(const platform::ServiceStatus& s) override {
    reports.push_back(s);
    if (reportsReachState) state = s.state;
    if (onReport) onReport(s);
    return true;
  }
  bool HasConsoleWindow() override { return console; }

  bool installed = false;
  uint32_t state = platform::service::kStopped;
  bool console = false;
  bool registerResult = true;
  bool reportsReachState = true;
  uint32_t failureActionsResult = 0;
  platform::ServiceConfig created;
  std::u16string description;
  std::vector<platform::FailureAction> actions;
  std::vector<std::string> calls;
  std::vector<platform::ServiceStatus> reports;
  std::function<void(uint32_t)> handler;
  std::function<void()> onStart, onStop;
  std::function<void(const platform::ServiceStatus&)> onReport;
};

}  // namespace vard::fsb::testing

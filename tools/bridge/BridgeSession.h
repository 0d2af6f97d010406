#pragma once
// One page connection of the browser bridge: the messages of one page's
// control, answered in order. The page creates its control once, then gets,
// puts and calls members by name; the control's events go back as pushed
// messages. Lives on the thread that reads the messages; the control's
// events reach it on that thread too.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "control/CKT5Ctrl.h"
#include "control/ConsoleControlView.h"
#include "tools/bridge/Json.h"

namespace vard::bridge {

constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057);
constexpr int32_t kUnexpected = static_cast<int32_t>(0x8000FFFF);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);

class BridgeSession final : public IKT5CtrlEvents {
 public:
  // `send` writes one message to the page (text of at most kMaxFrame bytes).
  using Send = std::function<void(const std::string& text)>;
  // `makeServices` is asked once, when the page creates its control.
  BridgeSession(std::function<ControlServices()> makeServices, Send send);
  ~BridgeSession() override;

  // One message from the page; every message with an id gets one answer,
  // and every answer fits a frame.
  void Handle(std::string_view text);
  // A frame that could not be read as a message (too long): one error.
  void Refuse(const std::string& why);
  // Pushes a progress line of a running download.
  void Progress(const std::string& line);

  void Invoke(int32_t dispid, const std::vector<Variant>& args) override;

  CKT5Ctrl* Control() { return ctrl_.get(); }

 private:
  // `id` is the message's, once it is known.
  void Dispatch(std::string_view text, Json& id);
  void Create(const Json& id, const Json& message);
  void Member(const Json& id, const std::string& op, const Json& message);
  void Reply(const Json& id, Json result);
  void Error(const Json& id, int32_t code, const std::string& message);
  void Push(Json message);

  std::function<ControlServices()> makeServices_;
  Send send_;
  ConsoleControlView view_;
  std::unique_ptr<CKT5Ctrl> ctrl_;
  uint32_t cookie_ = 0;
};

}  // namespace vard::bridge

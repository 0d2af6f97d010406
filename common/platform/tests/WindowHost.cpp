// Test helper: a program with a top-level window of class argv[1] and its
// child of class argv[2], both taking the registered messages
// "VardTestCount" (returns how many it has had) and "VardTestSum" (returns
// wParam + lParam). Prints "ready", then one line per request it handles;
// a close request ends it with its wParam as the exit code.
#include <cstdio>
#include <memory>
#include <string>

#include "common/platform/EventLoop.h"
#include "common/platform/FileSystem.h"
#include "common/platform/ProgramWindow.h"
#include "common/text/Utf.h"

namespace {

using namespace vard::platform;

class Handler final : public IWindowRequests {
 public:
  Handler(EventLoop& loop, const char* who) : loop_(loop), who_(who) {}

  intptr_t OnRegisteredMessage(const std::u16string& name, uintptr_t wParam, intptr_t lParam) override {
    Print("message " + vard::Utf16ToUtf8(name) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
    if (name == u"VardTestCount") return ++count_;
    return static_cast<intptr_t>(wParam) + lParam;
  }
  void OnCommand(int controlId) override { Print("command " + std::to_string(controlId)); }
  void OnClose(uintptr_t wParam) override {
    Print("close " + std::to_string(wParam));
    loop_.Quit(static_cast<int>(wParam));
  }
  void OnForeground() override { Print("foreground"); }
  std::string Dump() override {
    return "{\"window\":\"" + std::string(who_) + "\",\"count\":" + std::to_string(count_) + "}";
  }

 private:
  void Print(const std::string& line) {
    std::printf("%s %s\n", who_, line.c_str());
    std::fflush(stdout);
  }

  EventLoop& loop_;
  const char* who_;
  intptr_t count_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 100;
  EventLoop loop;
  Handler topHandler(loop, "top"), childHandler(loop, "child");
  const std::vector<std::u16string> messages = {u"VardTestCount", u"VardTestSum"};
  auto top = ProgramWindow::Create(loop, vard::Utf8ToUtf16(argv[1]), nullptr, messages, topHandler);
  if (!top) {
    std::printf("top window failed: %u\n", static_cast<unsigned>(LastError()));
    return 101;
  }
  auto child = ProgramWindow::Create(loop, vard::Utf8ToUtf16(argv[2]), top.get(), messages, childHandler);
  if (!child) {
    std::printf("child window failed: %u\n", static_cast<unsigned>(LastError()));
    return 102;
  }
  top->SetTitle(u"Window host");
  std::printf("ready\n");
  std::fflush(stdout);
  const int code = loop.Run();
  child.reset();
  top.reset();
  return code;
}

// Program windows reached from another process: a host program's top-level
// window and its child, found, sent registered messages, brought to the top
// and closed through the messenger.
#include <gtest/gtest.h>

#include <string>

#include "common/platform/EventLoop.h"
#include "common/platform/FileSystem.h"
#include "common/platform/ProgramWindow.h"
#include "common/platform/WindowMessenger.h"
#include "common/platform/testing/SiblingProcess.h"
#include "common/platform/tests/WindowControl.h"
#include "common/platform/tests/WindowHost.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using testing::WindowHost;

TEST(ProgramWindow, AnotherProcessFindsSendsRaisesAndCloses) {
  WindowHost host;
  ASSERT_TRUE(host.Start());

  const auto top = FindProgramWindow(host.TopClass());
  ASSERT_TRUE(top);
  const auto child = FindProgramWindow(host.ChildClass(), &*top);
  ASSERT_TRUE(child);

  intptr_t result = 0;
  ASSERT_TRUE(SendRegisteredMessage(*top, u"VardTestCount", 0, 0, &result, 5000));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(host.ReadLine(), "top message VardTestCount 0 0");
  ASSERT_TRUE(SendRegisteredMessage(*top, u"VardTestCount", 0, 0, &result));
  EXPECT_EQ(result, 2);
  host.ReadLine();
  // The child counts on its own; negative lParam and a large wParam survive.
  ASSERT_TRUE(SendRegisteredMessage(*child, u"VardTestSum", 100000, -100012, &result, 5000));
  EXPECT_EQ(result, -12);
  EXPECT_EQ(host.ReadLine(), "child message VardTestSum 100000 -100012");
  ASSERT_TRUE(SendRegisteredMessage(*child, u"VardTestCount", 0, 0, &result));
  EXPECT_EQ(result, 1);
  host.ReadLine();

  EXPECT_TRUE(BringToForeground(*top));
  EXPECT_TRUE(testing::PressButton(*top, 1001));
  std::string line = host.ReadLine();
  if (line == "top foreground") line = host.ReadLine();  // POSIX tells the window, Win32 need not
  EXPECT_EQ(line, "top command 1001");

  EXPECT_TRUE(testing::RequestClose(*top, 7));
  EXPECT_EQ(host.ReadLine(), "top close 7");
  int code = -1;
  ASSERT_TRUE(host.Wait(&code));
  EXPECT_EQ(code, 7);

  // Gone with its process: neither found nor reached.
  EXPECT_FALSE(FindProgramWindow(host.TopClass()));
  EXPECT_FALSE(SendRegisteredMessage(*top, u"VardTestCount", 0, 0, &result, 1000));
}

TEST(ProgramWindow, AnotherProcessReadsTheDumpAndPressesButtonsByClassAlone) {
  WindowHost host;
  ASSERT_TRUE(host.Start());
  // The child is found without its parent, as tools reach the agent's view.
  ASSERT_TRUE(FindProgramWindow(host.ChildClass()));

  std::string reply;
  ASSERT_TRUE(WindowRequest(host.ChildClass(), "command 1002", &reply, 5000));
  EXPECT_EQ(reply, "0");
  EXPECT_EQ(host.ReadLine(), "child command 1002");
  intptr_t result = 0;
  const auto child = FindProgramWindow(host.ChildClass());
  ASSERT_TRUE(SendRegisteredMessage(*child, u"VardTestCount", 0, 0, &result, 5000));
  host.ReadLine();
  // Each window answers with its own state, the child's count included.
  ASSERT_TRUE(WindowRequest(host.ChildClass(), "dump", &reply, 5000));
  EXPECT_EQ(reply, "{\"window\":\"child\",\"count\":1}");
  ASSERT_TRUE(WindowRequest(host.TopClass(), "dump", &reply));
  EXPECT_EQ(reply, "{\"window\":\"top\",\"count\":0}");

  // A bad request does nothing and says why (POSIX: in the window's answer).
  WindowRequest(host.TopClass(), "command twelve", &reply, 5000);
  EXPECT_EQ(reply, "error: bad control id");
  EXPECT_FALSE(WindowRequest(u"VardTestNoSuchWindowClass", "dump", &reply, 1000));

  EXPECT_TRUE(testing::RequestClose(*FindProgramWindow(host.TopClass()), 0));
  EXPECT_EQ(host.ReadLine(), "top close 0");
  int code = -1;
  ASSERT_TRUE(host.Wait(&code));
}

class NoRequests final : public IWindowRequests {
 public:
  intptr_t OnRegisteredMessage(const std::u16string&, uintptr_t, intptr_t) override { return 0; }
};

TEST(ProgramWindow, TitleAndVisibilityAreKept) {
  EventLoop loop;
  NoRequests requests;
  WindowHost names;  // not started: only its class names
  auto top = ProgramWindow::Create(loop, names.TopClass(), nullptr, {}, requests);
  ASSERT_TRUE(top);
  auto child = ProgramWindow::Create(loop, names.ChildClass(), top.get(), {}, requests);
  ASSERT_TRUE(child);
  EXPECT_FALSE(top->IsVisible());  // made hidden
  EXPECT_EQ(top->Title(), u"");
  top->SetTitle(u"\uB2E4\uC6B4\uB85C\uB4DC 3/10");
  EXPECT_EQ(top->Title(), u"\uB2E4\uC6B4\uB85C\uB4DC 3/10");
  top->Show(true);
  EXPECT_TRUE(top->IsVisible());
  top->Show(false);
  EXPECT_FALSE(top->IsVisible());
  // Found while it lives, not after.
  EXPECT_TRUE(FindProgramWindow(names.TopClass()));
  child.reset();
  top.reset();
  EXPECT_FALSE(FindProgramWindow(names.TopClass()));
}

TEST(ProgramWindow, NoWindowOfAClassNobodyMade) {
  EXPECT_FALSE(FindProgramWindow(u"VardTestNoSuchWindowClass"));
  const WindowRef none{0, u"VardTestNoSuchWindowClass"};
  intptr_t result = 0;
  EXPECT_FALSE(SendRegisteredMessage(none, u"VardTestCount", 0, 0, &result, 1000));
}

}  // namespace
}  // namespace vard::platform

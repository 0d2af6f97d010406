// The broker library as the control reaches it: loaded into the process
// from the system directory.
#include <gtest/gtest.h>

#include <cstring>

#include "broker/tests/BrokerTestFiles.h"
#include "common/platform/ElevationBroker.h"
#include "common/platform/Environment.h"
#include "common/platform/SharedMemory.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::broker {
namespace {

namespace p = platform;
using p::testing::TestFolder;

TEST(BrokerLibrary, NoLibraryNoBrokerThenTheInstalledOneWrites) {
  TestFolder empty;
  p::SetEnv("VARDEL_SYSTEM_DIR", Utf16ToUtf8(empty.Path()).c_str());
  EXPECT_EQ(p::CreateElevationBroker(), nullptr);

  p::SetEnv("VARDEL_SYSTEM_DIR", VARD_BROKER_LIBRARY_DIR);
  std::unique_ptr<p::IElevationBroker> broker = p::CreateElevationBroker();
  ASSERT_NE(broker, nullptr);
  p::SetEnv("VARDEL_SYSTEM_DIR", nullptr);

  TestFolder dir;
  const std::u16string path = dir / u"sub\\f.bin";
  broker->CreateDirectory(path);
  ASSERT_EQ(broker->FileOpen(path, 2), p::kBrokerTrue);
  p::SharedMemory section = p::SharedMemory::CreateOrOpen(p::kBrokerSectionName, p::kBrokerSectionSize);
  ASSERT_TRUE(section.IsOpen());
  std::memcpy(section.Data(), "through the section", 19);
  EXPECT_EQ(broker->FileWrite2(19), 19u);
  broker.reset();  // closes the file
  EXPECT_EQ(testing::ReadAll(path), "through the section");
}

}  // namespace
}  // namespace vard::broker

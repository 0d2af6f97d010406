#include "agent/AgentCommandLine.h"

#include <gtest/gtest.h>

#include <random>

namespace vard {
namespace {

TEST(AgentCommandLine, ModeIsAnExactKeyWithACaseBlindValue) {
  EXPECT_EQ(ParseAgentCommandLine(u" -Mdownload").mode, AgentMode::kDownload);
  EXPECT_EQ(ParseAgentCommandLine(u"-MDownload").mode, AgentMode::kDownload);
  EXPECT_EQ(ParseAgentCommandLine(u" -MUPLOAD -Lko").mode, AgentMode::kUpload);
  // A blank after the key, or one after the value, is part of the value.
  EXPECT_EQ(ParseAgentCommandLine(u" -M download").mode, AgentMode::kNone);
  EXPECT_EQ(ParseAgentCommandLine(u" -Mupload ").mode, AgentMode::kNone);
  // The keys are case-sensitive.
  EXPECT_EQ(ParseAgentCommandLine(u" -mdownload").mode, AgentMode::kNone);
  EXPECT_EQ(ParseAgentCommandLine(u"").mode, AgentMode::kNone);
}

TEST(AgentCommandLine, ValuesRunToTheNextBlankHyphen) {
  const AgentOptions o = ParseAgentCommandLine(u" -Mdownload -Len -KTLOG1");
  EXPECT_EQ(o.mode, AgentMode::kDownload);
  EXPECT_EQ(o.language, u"en");
  EXPECT_EQ(o.log, u"1");
  // A hyphen without a blank before it stays in the value.
  EXPECT_EQ(ParseAgentCommandLine(u" -KTLOGa-b -Lko").log, u"a-b");
  EXPECT_EQ(ParseAgentCommandLine(u" -Mdownload").language, u"");
}

TEST(AgentCommandLine, AbsurdLinesStayBounded) {
  std::u16string huge = u" -Mdownload -L" + std::u16string(1 << 20, u'x');
  const AgentOptions o = ParseAgentCommandLine(huge);
  EXPECT_EQ(o.mode, AgentMode::kDownload);
  EXPECT_LE(o.language.size(), kMaxAgentCommandLine);
  // A key beyond the bound is not seen.
  EXPECT_EQ(ParseAgentCommandLine(std::u16string(kMaxAgentCommandLine, u' ') + u"-Mupload").mode, AgentMode::kNone);

  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::u16string line(random() % 4096, u'\0');
    for (char16_t& c : line) c = static_cast<char16_t>(random() % 4 ? random() % 0x80 : random());
    if (round % 3 == 0) line.insert(random() % (line.size() + 1), u" -M");
    const AgentOptions any = ParseAgentCommandLine(line);
    EXPECT_LE(any.log.size(), line.size());
  }
}

}  // namespace
}  // namespace vard

// The log: quiet but for warnings and errors unless asked, one line per event, however long.

#include <gtest/gtest.h>

#include <string>

#include "base/log.h"

namespace {

TEST(Log, WarningsAndErrorsShowDetailOnlyWhenAskedEachEventOneLine) {
  const LogLevel before = CurrentLogLevel();
  SetLogLevel(LogLevel::Warning);
  testing::internal::CaptureStderr();
  LogDebug("not shown");
  LogInfo("not shown %d", 1);
  LogWarning("two\nlines %s", "joined");
  LogError("%s", std::string(700, 'x').c_str());
  SetLogLevel(LogLevel::Debug);
  LogInfo("shown %d", 2);
  LogDebug("shown");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "vexmoor: warning: two lines joined\n"
                                                    "vexmoor: error: " +
                                                        std::string(700, 'x') +
                                                        "\n"
                                                        "vexmoor: info: shown 2\n"
                                                        "vexmoor: debug: shown\n");
  SetLogLevel(before);
}

} // namespace

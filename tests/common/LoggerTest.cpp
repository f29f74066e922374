#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "LoggerFixture.h"

namespace fs = std::filesystem;
using orv::test::TestInstallation;

namespace {

const std::vector<std::string> kAppendAll = {"Logging=ON", "Level=0", "Levels=", "MaxSizeMB=10",
                                             "Mode=OVER_WRITE"};

std::vector<std::string> Config(const std::string& level, const std::string& levels,
                                const std::string& maxSize = "10", const std::string& mode = "OVER_WRITE",
                                const std::string& logging = "ON") {
    return {"Logging=" + logging, "Level=" + level, "Levels=" + levels, "MaxSizeMB=" + maxSize,
            "Mode=" + mode};
}

std::vector<fs::path> RotatedFiles(const TestInstallation& install) {
    std::vector<fs::path> rotated;
    for (const auto& entry : fs::directory_iterator(fs::path(install.root()) / "log")) {
        if (entry.path() != fs::path(install.logFile())) rotated.push_back(entry.path());
    }
    return rotated;
}

}  // namespace

// --- start and stop -------------------------------------------------------

using LoggerStartTest = LoggerFixture;

// Before a start, after a stop and after a start without a component or an
// installation folder, every call answers 1 and nothing is written.
TEST_F(LoggerStartTest, WithoutARunningLogEveryCallFails) {
    for (int answer : {LogTrace("x"), LogMessage(1, "x"), LogSetEnabled(1), LogSetLevel(1), LogTerminate()})
        EXPECT_EQ(answer, 1);
    start(kAppendAll);
    EXPECT_EQ(LogTerminate(), 0);
    for (int answer : {LogTrace("x"), LogMessage(1, "x")}) EXPECT_EQ(answer, 1);
    EXPECT_EQ(logLines().size(), 0u);

    EXPECT_EQ(LogInitialize(nullptr, "SMIS"), 3);
    install.writeRegistry("[SOFTWARE\\ORV-Kestra\\Ambrix]\nProductVersion=1.5.0\n");
    EXPECT_EQ(LogInitialize("SMIS", "SMIS"), 3);
    EXPECT_EQ(LogTrace("nothing"), 1);
}

TEST_F(LoggerStartTest, MissingOrMalformedConfigurationAnswers1) {
    EXPECT_EQ(LogInitialize("SMIS", "SMIS"), 1) << "no configuration file";
    const std::vector<std::vector<std::string>> malformed = {
        {},
        {"Logging", "Level=0", "Levels=", "MaxSizeMB=10", "Mode=OVER_WRITE"},
        {"Logging=", "Level=0", "Levels=", "MaxSizeMB=10", "Mode=OVER_WRITE"},
        {"Logging=ON", "Level=0", "Levels=", "MaxSizeMB", "Mode=OVER_WRITE"},
        {"Logging=ON", "Level=0", "Levels=", "MaxSizeMB=10", "Mode"},
        {"Logging=ON", "Level=0", "Levels=", "MaxSizeMB=10"},
    };
    for (const auto& lines : malformed) {
        install.writeLoggerConfig(lines);
        EXPECT_EQ(LogInitialize("SMIS", "SMIS"), 1) << ::testing::PrintToString(lines);
        EXPECT_EQ(LogMessage(1, "after failed start"), 1);
    }
    EXPECT_EQ(LogTerminate(), 0) << "the lock outlives a failed start";
    EXPECT_EQ(LogTerminate(), 1);

    install.writeDefaultLoggerConfig();
    fs::remove_all(fs::path(install.root()) / "log");
    EXPECT_EQ(LogInitialize("SMIS", "SMIS"), 1) << "no log folder";
}

TEST_F(LoggerStartTest, StartCreatesTheLogAndASecondStartIsHarmless) {
    start(kAppendAll);
    EXPECT_TRUE(fs::exists(install.logFile()));
    EXPECT_EQ(fs::file_size(install.logFile()), 0u);
    EXPECT_EQ(LogInitialize("OTHER", nullptr), 0);
    EXPECT_EQ(LogTrace("still SMIS"), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"still SMIS"});
}

// --- line format ----------------------------------------------------------

using LoggerFormatTest = LoggerFixture;

TEST_F(LoggerFormatTest, LevelledAndTraceLinesShareOneShape) {
    start(kAppendAll);
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(LogMessage(2, "%s :: Failed to load Vrlib dll (%d)", "VRLibFacade::initialize", 7), 0);
    ASSERT_EQ(LogTrace("Entering Class::operation() 100% %s"), 0);
    const std::time_t after = std::time(nullptr);

    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    const std::regex shape(R"(^(\d{1,2})/(\d{1,2})/(\d{4})  (\d{1,2}):(\d{1,2}):(\d{1,2})\[SMIS------)" +
                           threadDigits() + R"(\]  (.*)$)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, shape)) << lines[0];
    EXPECT_EQ(match[7], "VRLibFacade::initialize :: Failed to load Vrlib dll (7)");
    const std::time_t written = stampTime(match, 1);
    EXPECT_GE(written, before - 1);
    EXPECT_LE(written, after + 1);
    EXPECT_FALSE(std::regex_search(lines[0], std::regex(R"(/0\d|  0\d:|:0\d)"))) << "no zero padding";

    ASSERT_TRUE(std::regex_match(lines[1], match, shape)) << lines[1];
    EXPECT_EQ(match[7], "Entering Class::operation() 100% %s") << "trace text is not formatted";

    // Overlong text of either kind is cut to a line of 511 characters.
    const std::string longText(1000, 'x');
    ASSERT_EQ(LogMessage(1, "%s", longText.c_str()), 0);
    ASSERT_EQ(LogTrace(longText.c_str()), 0);
    ASSERT_EQ(LogTrace("next"), 0);
    const auto all = logLines();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[2].size(), 511u);
    EXPECT_EQ(all[3].size(), 511u);
    EXPECT_EQ(all[2].back(), 'x');
    EXPECT_EQ(messages().back(), "next");
}

// --- configuration and filter -----------------------------------------------

using LoggerFilterTest = LoggerFixture;

namespace {
// Writes one entry of every kind; the messages name what was written.
void WriteEveryLevel() {
    for (int level : {1, 2, 3, 4, 5}) LogMessage(level, "level %d", level);
    LogTrace("trace");
}
}  // namespace

// What one entry of every kind leaves in the log under each configuration.
TEST_F(LoggerFilterTest, ConfigurationDecidesWhatIsWritten) {
    const std::vector<std::string> everything{"level 1", "level 2", "level 3", "level 4", "level 5", "trace"};
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"Logging=ON\nLevel=0\nLevels=\nMaxSizeMB=10\nMode=OVER_WRITE\n", everything},
        {"Logging=ON\nLevel\nLevels\nMaxSizeMB=10\nMode=OVER_WRITE\n", everything},  // no threshold
        // The list wins over the threshold, and only its first six entries count.
        {"Logging=ON\nLevel=1\nLevels=2,4\nMaxSizeMB=10\nMode=OVER_WRITE\n", {"level 2", "level 4", "trace"}},
        {"Logging=ON\nLevel=0\nLevels=1,2,3,5,6,7,4\nMaxSizeMB=10\nMode=OVER_WRITE\n",
         {"level 1", "level 2", "level 3", "level 5"}},
        // A value is the last piece of its line, and compared exactly.
        {"X=Y=ON\nLevel=0\nLevels=\nMaxSizeMB=10\nMode=OVER_WRITE\n", everything},
        {"Logging=on\nLevel=0\nLevels=\nMaxSizeMB=10\nMode=OVER_WRITE\n", {}},
        {"Logging=OFF\nLevel=0\nLevels=\nMaxSizeMB=10\nMode=OVER_WRITE\n", {}},
        {"Logging=ON\r\nLevel=2\r\nLevels=\r\nMaxSizeMB=10\r\nMode=OVER_WRITE\r\n", {"level 1", "level 2"}},
    };
    for (const auto& [config, written] : cases) {
        SCOPED_TRACE(config);
        TestInstallation::writeFile(install.confFile(), config);
        ASSERT_EQ(LogInitialize("SMIS", "SMIS"), 0);
        WriteEveryLevel();
        EXPECT_EQ(messages(), written);
        if (written.empty()) {
            EXPECT_EQ(LogTrace("t"), 1) << "a disabled log answers 1";
        }
        LogTerminate();
        fs::remove(install.logFile());
    }
}

TEST_F(LoggerFilterTest, ThresholdKeepsLevelsUpToItAndTraceCountsAsFour) {
    start(Config("2", ""));
    EXPECT_EQ(LogMessage(2, "level 2"), 0);
    EXPECT_EQ(LogMessage(4, "level 4"), 1) << "a filtered levelled entry answers 1";
    EXPECT_EQ(LogTrace("trace"), 0) << "a filtered trace line answers 0";
    WriteEveryLevel();
    EXPECT_EQ(messages(), (std::vector<std::string>{"level 2", "level 1", "level 2"}));

    ASSERT_EQ(LogSetLevel(4), 0);
    EXPECT_EQ(LogTrace("trace"), 0);
    EXPECT_EQ(messages().back(), "trace");
}

TEST_F(LoggerFilterTest, EnabledSwitchChangesWhileRunning) {
    start(Config("0", "", "10", "OVER_WRITE", "on"));
    EXPECT_EQ(LogSetEnabled(2), 1);
    EXPECT_EQ(LogSetEnabled(1), 0);
    EXPECT_EQ(LogTrace("on now"), 0);
    EXPECT_EQ(LogSetEnabled(0), 0);
    EXPECT_EQ(LogTrace("off now"), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"on now"});
}

// --- file handling ----------------------------------------------------------

using LoggerFileTest = LoggerFixture;

TEST_F(LoggerFileTest, WithoutOverWriteEachEntryReplacesTheFile) {
    start(Config("2", "", "10", "APPEND"));
    ASSERT_EQ(LogMessage(1, "first"), 0);
    ASSERT_EQ(LogMessage(2, "second"), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"second"});

    EXPECT_EQ(LogTrace("rejected trace"), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"second"}) << "a rejected trace line leaves the file";

    EXPECT_EQ(LogMessage(5, "rejected detail"), 1);
    EXPECT_TRUE(logLines().empty()) << "a rejected levelled entry still empties the file";
}

TEST_F(LoggerFileTest, DeletedLogStopsLoggingUntilItExistsAgain) {
    start(kAppendAll);
    ASSERT_EQ(LogTrace("before"), 0);
    fs::remove(install.logFile());
    EXPECT_EQ(LogTrace("while gone"), 1);
    EXPECT_EQ(LogMessage(1, "while gone"), 1);
    EXPECT_FALSE(fs::exists(install.logFile()));
    TestInstallation::writeFile(install.logFile(), "");
    EXPECT_EQ(LogTrace("after"), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"after"});
}

TEST_F(LoggerFileTest, ZeroSizeLimitRotatesEveryNonEmptyFile) {
    start(Config("0", "", "0"));
    ASSERT_EQ(LogMessage(1, "first"), 0);
    EXPECT_TRUE(RotatedFiles(install).empty()) << "an empty file is not rotated";

    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(LogMessage(1, "second"), 0);
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(messages(), std::vector<std::string>{"second"});

    const auto rotated = RotatedFiles(install);
    ASSERT_EQ(rotated.size(), 1u);
    const std::regex name(R"(^OrvLogSMIS_(\d{1,2})_(\d{1,2})_(\d{4}) (\d{1,2})\.(\d{1,2})\.(\d{1,2})\.log$)");
    std::smatch match;
    const std::string fileName = rotated[0].filename().string();
    ASSERT_TRUE(std::regex_match(fileName, match, name)) << fileName;
    EXPECT_GE(stampTime(match, 1), before);
    EXPECT_LE(stampTime(match, 1), after);
    const auto old = TestInstallation::readLines(rotated[0].string());
    ASSERT_EQ(old.size(), 1u);
    EXPECT_NE(old[0].find("]  first"), std::string::npos);
}

TEST_F(LoggerFileTest, FailedRotationAppendsToTheOversizedFileEvenWithoutOverWrite) {
    start(Config("0", "", "0", "APPEND"));
    ASSERT_EQ(LogMessage(1, "first"), 0);
    // Occupy every name a rotation could take in the next few seconds.
    const std::time_t now = std::time(nullptr);
    for (std::time_t t = now; t < now + 5; ++t) {
        std::tm local{};
        localtime_r(&t, &local);
        char name[96];
        std::snprintf(name, sizeof name, "/log/OrvLogSMIS_%d_%d_%d %d.%d.%d.log", local.tm_mon + 1,
                      local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
        TestInstallation::writeFile(install.root() + name, "");
    }
    ASSERT_EQ(LogMessage(1, "second"), 0);
    ASSERT_EQ(LogTrace("third"), 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{"first", "second", "third"}));
    for (const auto& file : RotatedFiles(install)) EXPECT_EQ(fs::file_size(file), 0u) << file;
}

TEST_F(LoggerFileTest, RotatesOnlyWhenLargerThanTheLimitInKilobytes) {
    start(Config("0", "", "1"));
    TestInstallation::writeFile(install.logFile(), std::string(1024 * 1024, 'a'));
    ASSERT_EQ(LogTrace("at the limit"), 0);
    EXPECT_TRUE(RotatedFiles(install).empty());

    TestInstallation::writeFile(install.logFile(), std::string(1024 * 1024 + 1, 'a'));
    ASSERT_EQ(LogTrace("over the limit"), 0);
    EXPECT_EQ(RotatedFiles(install).size(), 1u);
    EXPECT_EQ(messages(), std::vector<std::string>{"over the limit"});
}

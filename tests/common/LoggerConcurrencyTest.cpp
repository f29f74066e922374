#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "LoggerFixture.h"

namespace fs = std::filesystem;
using orv::test::TestInstallation;

namespace {

constexpr int kWriters = 6;
constexpr int kEntriesEach = 150;

// Each writer logs levelled and trace lines with a long, checkable body.
void WriteConcurrently() {
    std::vector<std::thread> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.emplace_back([writer] {
            const std::string body(120, static_cast<char>('a' + writer));
            for (int entry = 0; entry < kEntriesEach; ++entry) {
                if (entry % 2 == 0) {
                    LogMessage(2, "writer %d entry %d %s", writer, entry, body.c_str());
                } else {
                    LogTrace(("writer " + std::to_string(writer) + " entry " + std::to_string(entry) + " " +
                              body).c_str());
                }
            }
        });
    }
    for (auto& writer : writers) writer.join();
}

// Checks that every line is whole and that each writer's entries all arrived, in order.
void ExpectWholeLines(const std::vector<std::string>& lines) {
    const std::regex shape(
        R"(^\d{1,2}/\d{1,2}/\d{4}  \d{1,2}:\d{1,2}:\d{1,2}\[SMIS------\d{4,}\]  writer (\d) entry (\d+) ([a-z]+)$)");
    std::map<int, int> nextEntry;
    for (const std::string& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, shape)) << line;
        const int writer = std::stoi(match[1]);
        EXPECT_EQ(match[3].str(), std::string(120, static_cast<char>('a' + writer))) << line;
        EXPECT_EQ(std::stoi(match[2]), nextEntry[writer]++) << line;
    }
    ASSERT_EQ(nextEntry.size(), static_cast<size_t>(kWriters));
    for (const auto& [writer, count] : nextEntry) EXPECT_EQ(count, kEntriesEach) << "writer " << writer;
}

}  // namespace

using LoggerConcurrencyTest = LoggerFixture;

TEST_F(LoggerConcurrencyTest, ConcurrentWritersProduceWholeLines) {
    start({"Logging=ON", "Level=0", "Levels=", "MaxSizeMB=10", "Mode=OVER_WRITE"});
    WriteConcurrently();
    ExpectWholeLines(logLines());
}

TEST_F(LoggerConcurrencyTest, ConcurrentRotationLosesNoEntry) {
    start({"Logging=ON", "Level=0", "Levels=", "MaxSizeMB=0", "Mode=OVER_WRITE"});
    WriteConcurrently();
    size_t total = logLines().size();
    size_t rotatedFiles = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(install.root()) / "log")) {
        if (entry.path() == fs::path(install.logFile())) continue;
        ++rotatedFiles;
        total += TestInstallation::readLines(entry.path().string()).size();
    }
    EXPECT_GE(rotatedFiles, 1u);
    EXPECT_EQ(total, static_cast<size_t>(kWriters * kEntriesEach));
}

// The provider stops its log on shutdown while event and request threads may
// still be writing: they must find the logger stopped, never a freed lock.
// Without "OVER_WRITE" the file keeps only the newest entry, which must be whole.
TEST_F(LoggerConcurrencyTest, StoppingWhileOthersWriteEndsTheirEntriesCleanly) {
    install.writeLoggerConfig({"Logging=ON", "Level=0", "Levels=", "MaxSizeMB=10", "Mode=APPEND"});
    for (int round = 0; round < 200; ++round) {
        ASSERT_EQ(LogInitialize("SMIS", "SMIS"), 0);
        std::atomic<int> started{0};
        std::vector<std::thread> writers;
        for (int writer = 0; writer < 2; ++writer) {
            writers.emplace_back([&started, writer, round] {
                ++started;
                for (int entry = 0; entry < 100000; ++entry) {
                    if (LogMessage(2, "writer %d round %d", writer, round) != 0) return;
                }
                ADD_FAILURE() << "writer " << writer << " was never told the logger stopped";
            });
        }
        while (started.load() < 2) std::this_thread::yield();
        EXPECT_EQ(LogTerminate(), 0);
        for (auto& writer : writers) writer.join();
    }
    const std::vector<std::string> last = messages();
    ASSERT_LE(last.size(), 1u);
    for (const std::string& message : last)
        EXPECT_TRUE(std::regex_match(message, std::regex(R"(writer [01] round \d+)"))) << message;
}

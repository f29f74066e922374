// Runs the real logger into a throw-away installation so that a test can
// look for the lines an operation wrote.
#pragma once

#include "Logger.h"
#include "TestInstallation.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class LogCapture {
public:
    LogCapture() {
        installation_.writeDefaultLoggerConfig();
        EXPECT_EQ(LogInitialize("SMIS", "SMIS"), 0);
    }
    ~LogCapture() { LogTerminate(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const { return orv::test::TestInstallation::readLines(installation_.logFile()); }
    bool hasLineEndingWith(const std::string& message) const {
        const auto all = lines();
        return std::any_of(all.begin(), all.end(), [&](const std::string& line) {
            return line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0;
        });
    }

private:
    orv::test::TestInstallation installation_;
};

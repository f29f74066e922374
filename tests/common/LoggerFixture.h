// A fresh installation per test, and the process-wide logger stopped before
// and after each one.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "Logger.h"
#include "OsServices.h"
#include "TestInstallation.h"

class LoggerFixture : public ::testing::Test {
protected:
    void SetUp() override { LogTerminate(); }
    void TearDown() override { LogTerminate(); }

    void start(const std::vector<std::string>& config) {
        install.writeLoggerConfig(config);
        ASSERT_EQ(LogInitialize("SMIS", "SMIS"), 0);
    }

    std::vector<std::string> logLines() const {
        return orv::test::TestInstallation::readLines(install.logFile());
    }

    // The message part of every line, after checking the line's shape.
    std::vector<std::string> messages() const {
        static const std::regex shape(
            R"(^\d{1,2}/\d{1,2}/\d{4}  \d{1,2}:\d{1,2}:\d{1,2}\[SMIS------\d{4,}\]  (.*)$)");
        std::vector<std::string> found;
        for (const std::string& line : logLines()) {
            std::smatch match;
            EXPECT_TRUE(std::regex_match(line, match, shape)) << line;
            found.push_back(match.size() > 1 ? match[1].str() : line);
        }
        return found;
    }

    // The time named by six consecutive groups (month, day, year, hour,
    // minute, second) of a match, starting at group `first`.
    static std::time_t stampTime(const std::smatch& match, int first) {
        std::tm stamp{};
        stamp.tm_mon = std::stoi(match[first]) - 1;
        stamp.tm_mday = std::stoi(match[first + 1]);
        stamp.tm_year = std::stoi(match[first + 2]) - 1900;
        stamp.tm_hour = std::stoi(match[first + 3]);
        stamp.tm_min = std::stoi(match[first + 4]);
        stamp.tm_sec = std::stoi(match[first + 5]);
        stamp.tm_isdst = -1;
        return std::mktime(&stamp);
    }

    static std::string threadDigits() {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%04d", static_cast<int>(OsGetThreadId()));
        return digits;
    }

    orv::test::TestInstallation install;
};

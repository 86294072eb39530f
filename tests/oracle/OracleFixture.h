#pragma once
// Runs each test in a fresh directory holding Assets/Data/, where both oracles keep their pool,
// and where log.txt is written.

#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class OracleFixture : public ::testing::Test {
protected:
    OracleFixture() : cwd(dir.path()) { std::filesystem::create_directories("Assets/Data"); }

    static constexpr const char* POOL = "Assets/Data/entropy_pool.txt";

    // Writes the pool file; the last value is drawn first.
    void writePool(const std::vector<int>& values) { EntropyManager::savePool(values, POOL); }
    std::string poolText() const { return testsupport::readFile(POOL); }
    // Each line of a log up to its timestamp.
    static std::vector<std::string> logMessages(const char* log = "log.txt") {
        std::vector<std::string> messages;
        for (const std::string& line : testsupport::lines(testsupport::readFile(log))) {
            messages.push_back(line.substr(0, line.find(" [")));
        }
        return messages;
    }

    testsupport::TempDir dir;
    testsupport::WorkingDirectory cwd;
};

#pragma once
// Developer conveniences for code under development: messages on standard output and test
// random numbers. One instance per process.

#include <map>
#include <string>

class DevTools {
public:
    static DevTools& getInstance();

    DevTools(const DevTools&) = delete;
    DevTools& operator=(const DevTools&) = delete;

    void printGameState() const;
    void forceEvent(const std::string& eventName) const;
    void spawnTestEntity(const std::string& entityType) const;
    void applyTestDamage(int entityId, int damage) const;
    void displayFPS(double fps) const;
    void displayMemoryUsage() const;
    void initializeMonitoring() const;

    // A uniform draw from [min, max] (bounds given the wrong way round are swapped) from one
    // process-wide Mersenne Twister seeded from the system's random source on first use.
    int generateRandomNumber(int min, int max) const;

private:
    DevTools();
    ~DevTools();

    // Room for developer settings; nothing reads it yet.
    std::map<std::string, std::string> settings{};
};

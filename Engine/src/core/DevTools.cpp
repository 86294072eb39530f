#include "core/DevTools.h"

#include <cstdint>
#include <iostream>
#include <random>
#include <utility>

DevTools& DevTools::getInstance() {
    static DevTools instance;
    return instance;
}

DevTools::DevTools() { std::cout << "DevTools initialized." << std::endl; }

DevTools::~DevTools() { std::cout << "DevTools destroyed." << std::endl; }

void DevTools::printGameState() const {
    std::cout << "Game state: (Placeholder for actual game data)" << std::endl;
}

void DevTools::forceEvent(const std::string& eventName) const {
    std::cout << "Forcing event: " << eventName << std::endl;
}

void DevTools::spawnTestEntity(const std::string& entityType) const {
    std::cout << "Spawning test entity of type: " << entityType << std::endl;
}

void DevTools::applyTestDamage(int entityId, int damage) const {
    std::cout << "Applying " << damage << " damage to entity with ID: " << entityId << std::endl;
}

void DevTools::displayFPS(double fps) const { std::cout << "FPS: " << fps << std::endl; }

void DevTools::displayMemoryUsage() const {
    std::cout << "Memory usage: (Placeholder for actual memory stats)" << std::endl;
}

void DevTools::initializeMonitoring() const {
    std::cout << "Monitoring tools initialized." << std::endl;
}

int DevTools::generateRandomNumber(int min, int max) const {
    static std::mt19937 engine{[] {
        std::random_device source;
        return static_cast<std::mt19937::result_type>(source());
    }()};
    if (min > max) {
        std::swap(min, max);
    }
    std::uniform_int_distribution<std::int32_t> distribution(min, max);
    return distribution(engine);
}

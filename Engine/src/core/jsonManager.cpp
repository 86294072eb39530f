#include "core/JSONManager.h"

#include "core/Logging.h"

#include <exception>
#include <fstream>

nlohmann::json JSONManager::loadAndLogJson(const std::string& filePath) {
    std::ifstream file(filePath);
    if (!file.is_open()) {
        LOG_ERROR("Failed to open file: " + filePath);
        return nullptr;
    }
    nlohmann::json value;
    try {
        // Stream extraction is non-strict: it stops after the first complete value.
        file >> value;
    } catch (const nlohmann::json::exception& error) {
        // Besides syntax errors the parser throws for numbers out of double's range (1e999).
        LOG_ERROR(std::string("JSON parse error: ") + error.what());
        return nullptr;
    }
    return value;
}

bool JSONManager::saveJsonToFile(const nlohmann::json& data, const std::string& filePath) {
    std::string text;
    try {
        text = data.dump(4, ' ', false, nlohmann::json::error_handler_t::strict);
    } catch (const std::exception& error) {
        LOG_ERROR(std::string("Failed to write JSON to file: ") + error.what());
        return false;
    }

    std::ofstream file(filePath, std::ios::out | std::ios::trunc);
    if (!file.is_open()) {
        LOG_ERROR("Failed to open file for writing: " + filePath);
        return false;
    }
    file << text;
    file.flush();
    if (!file) {
        // A full disk or a lost device must not pass for a saved file.
        LOG_ERROR("Failed to write JSON to file: write error on " + filePath);
        return false;
    }
    LOG_INFO("Saved JSON to file: " + filePath);
    return true;
}

#pragma once
// The values drawn for votes, in vote order. Kept in memory only.

#include <cstdint>
#include <vector>

class EntropyHistory {
public:
    void addEntry(std::int32_t value);
    const std::vector<std::int32_t>& getHistory() const;

private:
    std::vector<std::int32_t> history;
};

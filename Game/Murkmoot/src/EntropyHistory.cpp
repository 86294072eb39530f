#include "EntropyHistory.h"

void EntropyHistory::addEntry(std::int32_t value) { history.push_back(value); }

const std::vector<std::int32_t>& EntropyHistory::getHistory() const { return history; }

#pragma once
// A source the importers refuse: the message starts with the source's name.

#include <stdexcept>
#include <string>

namespace PoolImport {

class Refusal : public std::runtime_error {
public:
    Refusal(const std::string& origin, const std::string& what) : std::runtime_error(origin + ": " + what) {}
};

} // namespace PoolImport

#pragma once
// Gathers bytes into pool values, four at a time, little-endian, refusing more values than its
// limit; 1 to 3 bytes left at the end are reported, not made into a value.

#include "PoolImport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace PoolImport {

class ByteValues {
public:
    ByteValues(const std::string& origin, std::size_t mostValues) : origin(origin), mostValues(mostValues) {}

    void add(std::string_view bytes);
    void addByte(unsigned char byte);

    // Refuses once what is gathered and `pending` bytes still to come make more values than the
    // limit allows.
    void refuseBeyondLimit(std::size_t pending) const;
    [[noreturn]] static void refuseTooMany(const std::string& origin, std::size_t mostValues);

    Imported finish() { return {std::move(values), carried}; }

private:
    const std::string& origin;
    std::size_t mostValues;
    std::vector<int> values;
    std::uint32_t word = 0;
    std::size_t carried = 0;
};

} // namespace PoolImport

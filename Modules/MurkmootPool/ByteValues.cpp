#include "ByteValues.h"

#include "ImportRefusal.h"
#include "PoolFill.h"

namespace PoolImport {

namespace {

constexpr std::size_t VALUE_BYTES = PoolFill::VALUE_BYTES;

} // namespace

void ByteValues::add(std::string_view bytes) {
    for (; carried != 0 && !bytes.empty(); bytes.remove_prefix(1)) {
        addByte(static_cast<unsigned char>(bytes.front()));
    }
    const std::size_t whole = bytes.size() / VALUE_BYTES * VALUE_BYTES;
    const std::vector<int> words = PoolFill::fromBytes(bytes.substr(0, whole));
    values.insert(values.end(), words.begin(), words.end());
    bytes.remove_prefix(whole);
    for (const char byte : bytes) {
        addByte(static_cast<unsigned char>(byte));
    }
    refuseBeyondLimit(0);
}

void ByteValues::addByte(unsigned char byte) {
    word |= static_cast<std::uint32_t>(byte) << (8 * carried);
    if (++carried == VALUE_BYTES) {
        values.push_back(static_cast<int>(word));
        word = 0;
        carried = 0;
    }
}

void ByteValues::refuseBeyondLimit(std::size_t pending) const {
    if ((values.size() * VALUE_BYTES + carried + pending) / VALUE_BYTES > mostValues) {
        refuseTooMany(origin, mostValues);
    }
}

void ByteValues::refuseTooMany(const std::string& origin, std::size_t mostValues) {
    throw Refusal(origin, "holds more than " + std::to_string(mostValues) +
                              " values, the most one add takes; the pool is unchanged");
}

} // namespace PoolImport

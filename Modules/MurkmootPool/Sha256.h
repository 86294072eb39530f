#pragma once
// SHA-256 (FIPS 180-4), fed in pieces: a digest that two different sources do not share.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class Sha256 {
public:
    Sha256();

    void update(std::string_view bytes);
    // The digest as 64 lowercase hex digits; the object is spent afterwards.
    std::string hexDigest();

private:
    void compress(const unsigned char* block);

    std::array<std::uint32_t, 8> state;
    std::array<unsigned char, 64> block{};
    std::size_t blockLength = 0;
    std::uint64_t totalLength = 0;
};

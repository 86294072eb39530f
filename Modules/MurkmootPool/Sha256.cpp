#include "Sha256.h"

#include <array>

Sha256::Sha256() { sha256_init(&context); }

void Sha256::update(std::string_view bytes) {
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
}

std::string Sha256::hexDigest() {
    std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest{};
    sha256_digest(&context, digest.size(), digest.data()); // also starts the context afresh
    const char* const HEX = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += HEX[byte >> 4];
        text += HEX[byte & 0x0f];
    }
    return text;
}

#pragma once
// SHA-256 fed in pieces, computed by nettle: a digest that two different sources do not share.

#include <nettle/sha2.h>

#include <string>
#include <string_view>

class Sha256 {
public:
    Sha256();

    void update(std::string_view bytes);
    // The digest as 64 lowercase hex digits; the object starts afresh afterwards.
    std::string hexDigest();

private:
    sha256_ctx context{};
};

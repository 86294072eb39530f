#pragma once
// What the JSON parser reads: the "[" detection took, the rest of its piece, then the source.

#include "BoundedSource.h"

#include <span>
#include <streambuf>

namespace PoolImport {

class SourceStream : public std::streambuf {
public:
    SourceStream(BoundedSource& from, const BoundedSource::Detected& detected);

protected:
    int_type underflow() override;

private:
    BoundedSource& source;
    std::span<char> pending;
    char bracket[1] = {'['};
};

} // namespace PoolImport

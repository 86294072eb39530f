#include "SourceStream.h"

namespace PoolImport {

SourceStream::SourceStream(BoundedSource& from, const BoundedSource::Detected& detected)
    : source(from), pending(detected.rest) {
    if (detected.bracket) {
        setg(bracket, bracket, bracket + 1);
    }
}

SourceStream::int_type SourceStream::underflow() {
    std::span<char> piece = pending.empty() ? source.next() : pending;
    pending = {};
    if (piece.empty()) {
        return traits_type::eof();
    }
    setg(piece.data(), piece.data(), piece.data() + piece.size());
    return traits_type::to_int_type(*gptr());
}

} // namespace PoolImport

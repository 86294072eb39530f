#pragma once
// A quantum random number service's answer, one response object or an array of them, read as the
// JSON parser goes: only the "data" of each response enters, as bytes in order (see
// PoolImport::importValues for the types), and only the response being read is held.

#include "BoundedSource.h"

#include <cstddef>
#include <string>

namespace PoolImport {

Imported readQrngResponses(BoundedSource& source, const BoundedSource::Detected& detected, const std::string& origin,
                           std::size_t mostValues);

} // namespace PoolImport

#pragma once

#include <string>
#include <string_view>

namespace velmora {

/// Reads a record from JSON text; throws `VelmoraDecodingError` on any failure.
/// Every record header declares an explicit specialisation, next to its
/// `std::string encodeJSON(const Record&)` overload, which writes compact JSON with keys in
/// declaration order and absent optionals left out (throws `VelmoraEncodingError` for NaN or
/// infinite numbers).
template <class T> T decodeJSON(std::string_view json);

} // namespace velmora

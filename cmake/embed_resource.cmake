# Writes a C++ source that holds the bytes of one file, so the library carries its data with it.
# Usage: cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DFUNCTION=<name> -P embed_resource.cmake
# The source defines `std::string_view velmora::detail::<FUNCTION>() noexcept`.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Break the initialiser into lines of 16 bytes to keep the generated file readable.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.
#include <cstddef>
#include <string_view>

namespace velmora::detail {

namespace {
constexpr unsigned char kBytes[] = {
    ${bytes}0x00};
} // namespace

std::string_view ${FUNCTION}() noexcept {
    return {reinterpret_cast<const char*>(kBytes), std::size_t{${byte_count}}};
}

} // namespace velmora::detail
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")

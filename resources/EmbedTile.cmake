# SPDX-License-Identifier: Apache-2.0
# Turns a tool's tile bitmap into a C++ source holding its bytes, so that the module carries
# the tile: vorlings_embed_tile(BMP NAMESPACE OUT) writes OUT defining
# `const std::span<const uint8_t> NAMESPACE::kTile`. The source is written at configure time
# (only when its text changes) and the bitmap is a configure dependency, so editing the
# picture rebuilds it.
function(vorlings_embed_tile bmp namespace out)
    file(READ "${bmp}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    file(RELATIVE_PATH shown "${PROJECT_SOURCE_DIR}" "${bmp}")
    set(body "// Generated from ${shown}; do not edit.\n")
    string(APPEND body "#include <cstdint>\n#include <span>\n\nnamespace ${namespace} {\n")
    string(APPEND body "namespace {\nconst uint8_t bytes[] = {${bytes}};\n} // namespace\n")
    string(APPEND body "extern const std::span<const uint8_t> kTile;\n")
    string(APPEND body "constinit const std::span<const uint8_t> kTile{bytes};\n")
    string(APPEND body "} // namespace ${namespace}\n")
    file(CONFIGURE OUTPUT "${out}" CONTENT "${body}" @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${bmp}")
endfunction()

# SPDX-License-Identifier: Apache-2.0
# A tool's folder declares itself with one call from its own CMakeLists.txt:
#   vorlings_tool(clean SOURCES CleanPlugIn.cpp CleanRows.cpp)
# Its sources join the tool objects that the module and the tests link, and its tile.bmp
# becomes vorlings::<name>::kTile.
include(${PROJECT_SOURCE_DIR}/resources/EmbedTile.cmake)

function(vorlings_tool name)
    cmake_parse_arguments(TOOL "" "" "SOURCES" ${ARGN})
    set(tile_cpp ${CMAKE_CURRENT_BINARY_DIR}/${name}_tile.cpp)
    vorlings_embed_tile(${CMAKE_CURRENT_SOURCE_DIR}/tile.bmp vorlings::${name} ${tile_cpp})
    target_sources(vorlings_tools PRIVATE ${TOOL_SOURCES} ${tile_cpp})
endfunction()

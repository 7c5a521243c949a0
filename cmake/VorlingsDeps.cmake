# SPDX-License-Identifier: Apache-2.0
# Libraries of the field, found directly: Debian's OpenImageIO CMake package insists on the
# command-line tools being installed, which the build does not need.
find_path(OIIO_INCLUDE_DIR OpenImageIO/imageio.h)
find_library(OIIO_LIBRARY OpenImageIO)
find_library(OIIO_UTIL_LIBRARY OpenImageIO_Util)
find_path(IMATH_INCLUDE_DIR Imath/half.h)
if(OIIO_INCLUDE_DIR AND OIIO_LIBRARY AND OIIO_UTIL_LIBRARY AND NOT TARGET Vorlings::OpenImageIO)
    add_library(Vorlings::OpenImageIO INTERFACE IMPORTED)
    target_include_directories(Vorlings::OpenImageIO INTERFACE ${OIIO_INCLUDE_DIR}
                               ${IMATH_INCLUDE_DIR} ${IMATH_INCLUDE_DIR}/Imath)
    target_link_libraries(Vorlings::OpenImageIO INTERFACE ${OIIO_LIBRARY} ${OIIO_UTIL_LIBRARY})
endif()

# JSON for "list --json" and "info --json", and for the tests that read them back.
find_package(nlohmann_json 3 REQUIRED)

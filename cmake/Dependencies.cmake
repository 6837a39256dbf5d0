# Libraries cross-built by scripts/build-deps.sh into NIMBREL_DEPS_PREFIX, plus Debian's
# header-only stb and mingw's zlib.
if(NOT NIMBREL_DEPS_PREFIX)
  message(FATAL_ERROR "Set NIMBREL_DEPS_PREFIX to a target folder made by scripts/setup.sh")
endif()

# Pinned to the prefix rather than found: a cached location would outlive a rebuilt prefix.
set(CURL_DIR ${NIMBREL_DEPS_PREFIX}/lib/cmake/CURL)
set(jsoncpp_DIR ${NIMBREL_DEPS_PREFIX}/lib/cmake/jsoncpp)
set(GTest_DIR ${NIMBREL_DEPS_PREFIX}/lib/cmake/GTest)

# mingw's zlib comes as an import library and a static one: programs take the static one.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
find_package(CURL CONFIG REQUIRED)
find_package(jsoncpp CONFIG REQUIRED)

add_library(lzma7z STATIC IMPORTED GLOBAL)
set_target_properties(lzma7z PROPERTIES
  IMPORTED_LOCATION ${NIMBREL_DEPS_PREFIX}/lib/liblzma7z.a
  INTERFACE_INCLUDE_DIRECTORIES ${NIMBREL_DEPS_PREFIX}/include/lzma7z)

add_library(stb INTERFACE IMPORTED GLOBAL)
set_target_properties(stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES /usr/include/stb)

if(NIMBREL_TESTS)
  find_package(GTest CONFIG REQUIRED)
endif()

find_program(SEVENZIP_TOOL NAMES 7zz 7z REQUIRED)

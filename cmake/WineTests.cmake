# Test programs run under wine64 in a private prefix of this build tree. A ctest fixture makes
# the prefix once and keeps one wineserver alive for the whole run.
set(NIMBREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(NIMBREL_WINE_ENV WINEPREFIX=${NIMBREL_WINEPREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")
set(CMAKE_CROSSCOMPILING_EMULATOR env ${NIMBREL_WINE_ENV} /usr/lib/wine/wine64)

enable_testing()
add_test(NAME wine_session_start
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh start ${NIMBREL_WINEPREFIX})
add_test(NAME wine_session_stop
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh stop ${NIMBREL_WINEPREFIX})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# A GoogleTest program of the project, run by ctest under Wine. Extra arguments are sources.
function(nimbrel_gtest target)
  add_executable(${target} ${ARGN})
  nimbrel_own_code(${target})
  nimbrel_static_link(${target})
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main)
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 240)
endfunction()

# The tests of one layer: every *_test.cpp of the calling folder in one program that links
# the layer's library; the tools are built first, since tests start them.
function(nimbrel_layer_tests target layer_library)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  nimbrel_gtest(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${layer_library} nimbrel_test_support)
  add_dependencies(${target} nimbrel_tools)
endfunction()

# Compile settings for the project's own code (dependencies keep theirs).
function(nimbrel_own_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                               _WIN32_WINNT=0x0601)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# One static library per layer; tests link the layer they test.
function(nimbrel_library target)
  add_library(${target} STATIC ${ARGN})
  nimbrel_own_code(${target})
endfunction()

# Every program is a static Windows program: it imports system DLLs only.
function(nimbrel_static_link target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

# Programs of our own have wide entry points (wmain, wWinMain).
function(nimbrel_console_program target)
  add_executable(${target} ${ARGN})
  nimbrel_own_code(${target})
  nimbrel_static_link(${target})
  target_link_options(${target} PRIVATE -municode)
endfunction()

function(nimbrel_gui_program target)
  add_executable(${target} WIN32 ${ARGN})
  nimbrel_own_code(${target})
  nimbrel_static_link(${target})
  target_link_options(${target} PRIVATE -municode)
endfunction()

# A layer's library holds every .cpp of its folder (less those named after EXCLUDE) and links
# the libraries named after LINKS; an interface library stands in while the folder has no
# sources, so that dependants link either way.
function(nimbrel_layer_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCLUDE;LINKS")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${arg_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    nimbrel_library(${target} ${sources})
    target_link_libraries(${target} PUBLIC ${arg_LINKS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${arg_LINKS})
  endif()
endfunction()

# Adds every direct subfolder that has a CMakeLists.txt.
function(nimbrel_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

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

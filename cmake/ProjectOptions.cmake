# Warnings and sanitizers for the project's own targets (never for system libraries).

# Warnings are errors only where the project's own checks build (test.sh and CI turn the
# option on): another compiler's new or false warnings must not stop a build by hand.
option(TOVI2_WERROR "Treat warnings as errors" OFF)

function(tovi2_target target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-qual)
  if(TOVI2_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # g++ 12 at -O2 and above reports std::string concatenations such as "x" + text as
  # overlapping copies (GCC bug 105651); the warning says nothing about our code there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

if(TOVI2_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

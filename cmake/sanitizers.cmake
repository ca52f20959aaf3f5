# Builds that look for memory, undefined-behaviour and threading faults.
#
# DRYDOCK_SANITIZE (scripts/dev.sh sanitize): everything built with AddressSanitizer
# and UndefinedBehaviorSanitizer. Every report is fatal: UBSan does not recover, and
# the tests run with halt_on_error=1.
#
# DRYDOCK_SANITIZE_THREAD (scripts/dev.sh tsan): everything built with ThreadSanitizer,
# which cannot be combined with AddressSanitizer; the tests that start threads carry
# the CTest label `threads` (tests/CMakeLists.txt).
#
# DRYDOCK_FUZZ (scripts/dev.sh fuzz, Clang only): the libFuzzer targets in fuzz/, with
# the code under test built for coverage and with the same sanitizers.
option(DRYDOCK_SANITIZE "Build everything with -fsanitize=address,undefined" OFF)
option(DRYDOCK_SANITIZE_THREAD "Build everything with -fsanitize=thread" OFF)
option(DRYDOCK_FUZZ "Build the libFuzzer targets in fuzz/ (Clang)" OFF)

if((DRYDOCK_SANITIZE OR DRYDOCK_FUZZ) AND DRYDOCK_SANITIZE_THREAD)
  message(FATAL_ERROR "DRYDOCK_SANITIZE_THREAD cannot be combined with DRYDOCK_SANITIZE or DRYDOCK_FUZZ: "
                      "ThreadSanitizer and AddressSanitizer exclude each other; use another build folder")
endif()
if(MSVC AND (DRYDOCK_SANITIZE OR DRYDOCK_SANITIZE_THREAD OR DRYDOCK_FUZZ))
  message(FATAL_ERROR "DRYDOCK_SANITIZE, DRYDOCK_SANITIZE_THREAD and DRYDOCK_FUZZ need GCC or Clang")
endif()

if(DRYDOCK_SANITIZE OR DRYDOCK_FUZZ)
  set(_drydock_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(${_drydock_sanitizers} -fno-omit-frame-pointer)
  add_link_options(${_drydock_sanitizers})
endif()

if(DRYDOCK_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(DRYDOCK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "DRYDOCK_FUZZ needs Clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Builds that look for memory and undefined-behaviour faults.
#
# DRYDOCK_SANITIZE (scripts/dev.sh sanitize): everything built with AddressSanitizer
# and UndefinedBehaviorSanitizer. Every report is fatal: UBSan does not recover, and
# the tests run with halt_on_error=1.
#
# DRYDOCK_FUZZ (scripts/dev.sh fuzz, Clang only): the libFuzzer targets in fuzz/, with
# the code under test built for coverage and with the same sanitizers.
option(DRYDOCK_SANITIZE "Build everything with -fsanitize=address,undefined" OFF)
option(DRYDOCK_FUZZ "Build the libFuzzer targets in fuzz/ (Clang)" OFF)

if(DRYDOCK_SANITIZE OR DRYDOCK_FUZZ)
  if(MSVC)
    message(FATAL_ERROR "DRYDOCK_SANITIZE and DRYDOCK_FUZZ need GCC or Clang")
  endif()
  set(_drydock_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(${_drydock_sanitizers} -fno-omit-frame-pointer)
  add_link_options(${_drydock_sanitizers})
endif()

if(DRYDOCK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "DRYDOCK_FUZZ needs Clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

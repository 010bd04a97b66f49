# Sanitizer builds, chosen with -DPWDPOLICY_SANITIZE=address|thread:
#   address  AddressSanitizer with UndefinedBehaviorSanitizer; the first
#            report aborts the program, so ctest sees it as a failure.
#   thread   ThreadSanitizer.
# The flags go on every target defined after this file is included: the
# library, the stand-ins, the tests and the benchmarks alike.
set(PWDPOLICY_SANITIZE "" CACHE STRING "Sanitizer build: empty, address or thread")
set_property(CACHE PWDPOLICY_SANITIZE PROPERTY STRINGS "" address thread)

if(PWDPOLICY_SANITIZE STREQUAL "address")
  set(flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${flags})
  add_link_options(${flags})
elseif(PWDPOLICY_SANITIZE STREQUAL "thread")
  set(flags -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${flags})
  add_link_options(${flags})
elseif(NOT PWDPOLICY_SANITIZE STREQUAL "")
  message(FATAL_ERROR "PWDPOLICY_SANITIZE must be empty, address or thread, not ${PWDPOLICY_SANITIZE}")
endif()

if(PWDPOLICY_SANITIZE)
  # Runtime options are compiled in (cmake/SanitizerOptions.c) rather than
  # set through ASAN_OPTIONS/TSAN_OPTIONS: they then hold for ctest, for
  # gtest_discover_tests (which runs each test program at build time), and
  # for a program started by hand. The environment still overrides them.
  add_library(pwdpolicy_sanitizer_options OBJECT ${CMAKE_CURRENT_LIST_DIR}/SanitizerOptions.c)
  # Build-only: an installed library must not ask for this object library.
  link_libraries($<BUILD_INTERFACE:pwdpolicy_sanitizer_options>)
  message(STATUS "PwdPolicy: sanitizer build (${PWDPOLICY_SANITIZE})")
endif()

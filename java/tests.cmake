# JUnit 5 suites of the Java binding, each run by ctest in a JVM of its own:
# the component's state is process-wide, so a suite that needs a fresh
# component gets a fresh process. Every JVM runs with -Xcheck:jni, and a
# "WARNING" on its output fails the test. --enable-native-access keeps Java
# 24 and later from warning about System.loadLibrary itself.

# Tests are added from this directory, before the top level enables them.
enable_testing()

# A JVM cannot load a sanitizer-instrumented libpwdpolicy.so without the
# sanitizer runtime preloaded; those builds test the C++ side only.
if(PWDPOLICY_SANITIZE)
  message(STATUS "Java binding: JUnit suites skipped in the ${PWDPOLICY_SANITIZE} sanitizer build")
  return()
endif()

find_jar(PWDPOLICY_JUNIT_CONSOLE NAMES junit-platform-console-standalone
         PATHS /usr/share/java REQUIRED)

# Test support: the AllocMem/free counter (preloaded into every test JVM).
add_library(ppcjavatest SHARED test/native/AllocTracker.c)
target_include_directories(ppcjavatest PRIVATE ${JNI_INCLUDE_DIRS})
set_target_properties(ppcjavatest PROPERTIES C_STANDARD 11)
target_compile_options(ppcjavatest PRIVATE -Wall -Wextra)

set(pwdpolicy_java_test_sources
  test/com/korvane/vesticor/pwdpolicy/ConfigFile.java
  test/com/korvane/vesticor/pwdpolicy/Fixtures.java
  test/com/korvane/vesticor/pwdpolicy/TestLog.java
  test/com/korvane/vesticor/pwdpolicy/TestNative.java
  test/com/korvane/vesticor/pwdpolicy/PwdPolicyAPITest.java
  test/com/korvane/vesticor/pwdpolicy/PwdPolicyAPILifecycleTest.java
  test/com/korvane/vesticor/pwdpolicy/PwdPolicyAPINullTest.java
  test/com/korvane/vesticor/pwdpolicy/PwdPolicyAPIResultObjectTest.java
  test/com/korvane/vesticor/pwdpolicy/PwdPolicyAPIThreadsTest.java
  test/com/korvane/vesticor/pwdpolicy/PwdPolicyAPIHeapTest.java
  test/com/korvane/vesticor/pwdpolicy/ExampleHostTest.java)

set(CMAKE_JAVA_COMPILE_FLAGS --release 11 -Xlint:all,-static -Werror)
add_jar(pwdpolicy_java_tests
  SOURCES ${pwdpolicy_java_test_sources}
  INCLUDE_JARS pwdpolicy_jar pwdpolicy_example ${PWDPOLICY_JUNIT_CONSOLE}
  OUTPUT_NAME pwdpolicy-tests)
add_dependencies(pwdpolicy_java_tests pwdpolicy ppcjavatest)

get_target_property(pwdpolicy_jar_file pwdpolicy_jar JAR_FILE)
get_target_property(pwdpolicy_example_jar_file pwdpolicy_example JAR_FILE)
get_target_property(pwdpolicy_java_tests_jar_file pwdpolicy_java_tests JAR_FILE)

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-logs)

set(pwdpolicy_java_native_access)
if(Java_VERSION VERSION_GREATER_EQUAL 17)
  set(pwdpolicy_java_native_access --enable-native-access=ALL-UNNAMED)
endif()

# pwdpolicy_java_test(CLASS [JVM_ARGS...]): runs one test class in one JVM,
# in a private configuration folder like every C++ test (the launcher also
# sets the DEBUG level).
function(pwdpolicy_java_test class)
  add_test(NAME Java.${class}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/support/private-conf.sh ${Java_JAVA_EXECUTABLE} -Xcheck:jni ${pwdpolicy_java_native_access} ${ARGN}
      -Djava.library.path=$<TARGET_FILE_DIR:pwdpolicy>:$<TARGET_FILE_DIR:ppcjavatest>
      -jar ${PWDPOLICY_JUNIT_CONSOLE}
      --disable-banner --disable-ansi-colors --fail-if-no-tests --details=tree
      --class-path ${pwdpolicy_jar_file}:${pwdpolicy_example_jar_file}:${pwdpolicy_java_tests_jar_file}
      --select-class com.korvane.vesticor.pwdpolicy.${class})
  set_tests_properties(Java.${class} PROPERTIES
    ENVIRONMENT "VC_LOG_FILE=${CMAKE_BINARY_DIR}/test-logs/%p.log;LD_PRELOAD=$<TARGET_FILE:ppcjavatest>"
    FAIL_REGULAR_EXPRESSION "WARNING"
    TIMEOUT 120)
endfunction()

pwdpolicy_java_test(PwdPolicyAPITest)
pwdpolicy_java_test(PwdPolicyAPILifecycleTest)
pwdpolicy_java_test(PwdPolicyAPINullTest)
pwdpolicy_java_test(PwdPolicyAPIResultObjectTest)
pwdpolicy_java_test(PwdPolicyAPIThreadsTest)
# A heap too small for the password, so that NewByteArray fails.
pwdpolicy_java_test(PwdPolicyAPIHeapTest -Xmx8m)
pwdpolicy_java_test(ExampleHostTest)

# JUnit 5 suites of the Java binding. The component's state is process-wide, so each class
# runs in a JVM of its own, under -Xcheck:jni, where a "WARNING" fails the test.
# --enable-native-access keeps Java 24 and later from warning about System.loadLibrary.
enable_testing()

# A JVM cannot load an instrumented libpwdpolicy.so without the sanitizer runtime preloaded.
if(PWDPOLICY_SANITIZE)
  message(STATUS "Java binding: JUnit suites skipped in the ${PWDPOLICY_SANITIZE} sanitizer build")
  return()
endif()

find_jar(PWDPOLICY_JUNIT_CONSOLE NAMES junit-platform-console-standalone PATHS /usr/share/java REQUIRED)

# The AllocMem/free counter, preloaded into every test JVM.
add_library(ppcjavatest SHARED test/native/AllocTracker.c)
target_include_directories(ppcjavatest PRIVATE ${JNI_INCLUDE_DIRS})
set_target_properties(ppcjavatest PROPERTIES C_STANDARD 11)
target_compile_options(ppcjavatest PRIVATE -Wall -Wextra)

set(CMAKE_JAVA_COMPILE_FLAGS --release 11 -Xlint:all,-static -Werror)
file(GLOB pwdpolicy_java_test_sources CONFIGURE_DEPENDS test/com/korvane/vesticor/pwdpolicy/*.java)
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

# pwdpolicy_java_test(CLASS [JVM_ARGS...]): one test class in one JVM, in a private
# configuration folder like every C++ test.
function(pwdpolicy_java_test class)
  add_test(NAME Java.${class}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/support/private-conf.sh ${Java_JAVA_EXECUTABLE} -Xcheck:jni
      ${pwdpolicy_java_native_access} ${ARGN}
      -Djava.library.path=$<TARGET_FILE_DIR:pwdpolicy>:$<TARGET_FILE_DIR:ppcjavatest>
      -jar ${PWDPOLICY_JUNIT_CONSOLE} --disable-banner --disable-ansi-colors --fail-if-no-tests --details=tree
      --class-path ${pwdpolicy_jar_file}:${pwdpolicy_example_jar_file}:${pwdpolicy_java_tests_jar_file}
      --select-class com.korvane.vesticor.pwdpolicy.${class})
  set_tests_properties(Java.${class} PROPERTIES
    ENVIRONMENT "VC_LOG_FILE=${CMAKE_BINARY_DIR}/test-logs/%p.log;LD_PRELOAD=$<TARGET_FILE:ppcjavatest>"
    FAIL_REGULAR_EXPRESSION "WARNING"
    TIMEOUT 120)
endfunction()

pwdpolicy_java_test(PwdPolicyAPITest)
# A component not initialised yet; a heap too small for a 10 MiB password, so that NewByteArray fails.
pwdpolicy_java_test(PwdPolicyAPIFreshTest -Xmx8m)

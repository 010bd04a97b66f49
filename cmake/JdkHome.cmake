# One JDK for everything: javac, the java that runs the tests and jni.h must
# agree. JAVA_HOME (CMake variable or environment) chooses it; without one,
# the JDK of the javac on PATH is used, not whichever JDK FindJNI meets
# first under /usr/lib/jvm. Sets JAVA_HOME in the including scope.
if(NOT JAVA_HOME AND NOT DEFINED ENV{JAVA_HOME})
  if(Java_JAVAC_EXECUTABLE)
    set(pwdpolicy_javac "${Java_JAVAC_EXECUTABLE}")
  else()
    find_program(pwdpolicy_javac javac REQUIRED NO_CACHE)
  endif()
  file(REAL_PATH "${pwdpolicy_javac}" pwdpolicy_javac)
  cmake_path(GET pwdpolicy_javac PARENT_PATH pwdpolicy_jdk_bin)
  cmake_path(GET pwdpolicy_jdk_bin PARENT_PATH JAVA_HOME)
endif()

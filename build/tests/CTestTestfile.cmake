# CMake generated Testfile for 
# Source directory: /work/wt/tool/tests
# Build directory: /work/wt/tool/build/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt/tool/build/tests/Lifecycle_test[1]_include.cmake")
include("/work/wt/tool/build/tests/CheckCommands_test[1]_include.cmake")
include("/work/wt/tool/build/tests/GenCommand_test[1]_include.cmake")
include("/work/wt/tool/build/tests/PolicyCommands_test[1]_include.cmake")
include("/work/wt/tool/build/tests/ConfigCheck_test[1]_include.cmake")
include("/work/wt/tool/build/tests/Main_test[1]_include.cmake")
include("/work/wt/tool/build/tests/WatchCommand_test[1]_include.cmake")
include("/work/wt/tool/build/tests/Examples_test[1]_include.cmake")
add_test([=[install_consumers]=] "bash" "/work/wt/tool/tests/install/consumers.sh" "/work/wt/tool/build" "/work/wt/tool")
set_tests_properties([=[install_consumers]=] PROPERTIES  RESOURCE_LOCK "build_install" TIMEOUT "300" _BACKTRACE_TRIPLES "/work/wt/tool/tests/install.cmake;3;add_test;/work/wt/tool/tests/install.cmake;0;;/work/wt/tool/tests/CMakeLists.txt;30;include;/work/wt/tool/tests/CMakeLists.txt;0;")
add_test([=[install_deb_package]=] "bash" "/work/wt/tool/tests/install/deb.sh" "/work/wt/tool/build")
set_tests_properties([=[install_deb_package]=] PROPERTIES  RESOURCE_LOCK "build_install" TIMEOUT "300" _BACKTRACE_TRIPLES "/work/wt/tool/tests/install.cmake;5;add_test;/work/wt/tool/tests/install.cmake;0;;/work/wt/tool/tests/CMakeLists.txt;30;include;/work/wt/tool/tests/CMakeLists.txt;0;")

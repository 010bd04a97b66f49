# CMake generated Testfile for 
# Source directory: /work/wt/tool/examples
# Build directory: /work/wt/tool/build/examples
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.

file(REMOVE_RECURSE
  "CMakeFiles/ppc_testenv.dir/support/TestEnv.cpp.o"
  "CMakeFiles/ppc_testenv.dir/support/TestEnv.cpp.o.d"
  "libppc_testenv.a"
  "libppc_testenv.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/ppc_testenv.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()

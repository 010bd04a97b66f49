file(REMOVE_RECURSE
  "CMakeFiles/Lifecycle_test.dir/lifecycle/Lifecycle_test.cpp.o"
  "CMakeFiles/Lifecycle_test.dir/lifecycle/Lifecycle_test.cpp.o.d"
  "Lifecycle_test"
  "Lifecycle_test.pdb"
  "Lifecycle_test[1]_tests.cmake"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/Lifecycle_test.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()

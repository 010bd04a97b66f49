file(REMOVE_RECURSE
  "CMakeFiles/vc-common.dir/standins/vc-common/vc_common.c.o"
  "CMakeFiles/vc-common.dir/standins/vc-common/vc_common.c.o.d"
  "libvc-common.pdb"
  "libvc-common.so"
  "libvc-common.so.1"
  "libvc-common.so.1.0.0"
)

# Per-language clean rules from dependency scanning.
foreach(lang C)
  include(CMakeFiles/vc-common.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()

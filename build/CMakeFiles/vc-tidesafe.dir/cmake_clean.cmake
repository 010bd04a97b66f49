file(REMOVE_RECURSE
  "CMakeFiles/vc-tidesafe.dir/standins/vc-tidesafe/vc_tidesafe.c.o"
  "CMakeFiles/vc-tidesafe.dir/standins/vc-tidesafe/vc_tidesafe.c.o.d"
  "libvc-tidesafe.pdb"
  "libvc-tidesafe.so"
  "libvc-tidesafe.so.1"
  "libvc-tidesafe.so.1.0.0"
)

# Per-language clean rules from dependency scanning.
foreach(lang C)
  include(CMakeFiles/vc-tidesafe.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()

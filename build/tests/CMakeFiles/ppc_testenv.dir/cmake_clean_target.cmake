file(REMOVE_RECURSE
  "libppc_testenv.a"
)

# Empty dependencies file for ppc_testenv.
# This may be replaced when dependencies are built.

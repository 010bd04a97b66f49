# Empty dependencies file for vc-common.
# This may be replaced when dependencies are built.

# Empty dependencies file for vc-tidesafe.
# This may be replaced when dependencies are built.

# Empty dependencies file for Lifecycle_test.
# This may be replaced when dependencies are built.

# Empty dependencies file for pwdpolicy.
# This may be replaced when dependencies are built.

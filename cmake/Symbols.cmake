# What libpwdpolicy.so exports and how its own references bind.
#
# The version script exports the C interface, the Java natives and the
# component's globals and data-loading functions, each by name, and hides
# the rest. Protected visibility binds the library's
# references to its own definitions, so a host that happens to define a
# global of the same name
# (a "timerLock" of its own) cannot take their place; the support
# operations are defined in other libraries and stay interposable.
#
# A host that reads an exported global must reach it through the GOT: built
# with -fPIC or -mno-direct-extern-access. On x86 the library is marked so
# that a host built otherwise fails to link ("copy relocation against
# non-copyable protected symbol") instead of silently reading a copy.
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-mno-direct-extern-access PWDPOLICY_HAVE_INDIRECT_EXTERN_ACCESS)
set(PWDPOLICY_HOST_DATA_ACCESS -fPIC)
if(PWDPOLICY_HAVE_INDIRECT_EXTERN_ACCESS)
  set(PWDPOLICY_HOST_DATA_ACCESS -mno-direct-extern-access)
endif()

set(PWDPOLICY_VERSION_SCRIPT ${PROJECT_SOURCE_DIR}/src/libpwdpolicy.map)
target_compile_options(pwdpolicy PRIVATE -fvisibility=protected ${PWDPOLICY_HOST_DATA_ACCESS})
target_link_options(pwdpolicy PRIVATE -Wl,--version-script=${PWDPOLICY_VERSION_SCRIPT}
                    -Wl,--no-undefined-version)
set_property(TARGET pwdpolicy APPEND PROPERTY LINK_DEPENDS ${PWDPOLICY_VERSION_SCRIPT})

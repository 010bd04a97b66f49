# cmake --install: the header, the libraries with their sonames, ppc, the
# jar when Java is built, a pkg-config file, a CMake package and the sample
# configuration. CPack turns the same into a Debian package.
include(CMakePackageConfigHelpers)

set(PWDPOLICY_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/PwdPolicy)
set(PWDPOLICY_SAMPLE_DIR ${CMAKE_INSTALL_DATADIR}/pwdpolicy)
set(PWDPOLICY_LIVE_CONFIG_DIR /usr/local/vesticor/conf)

# AUTO copies the sample configuration to the live path only when installing
# to /usr/local or /usr (so a staged or temporary install never touches the
# machine's configuration); ON always, OFF never. Never over existing files.
set(PWDPOLICY_INSTALL_LIVE_CONFIG AUTO CACHE STRING
    "Copy the sample configuration to ${PWDPOLICY_LIVE_CONFIG_DIR} where none exists (AUTO, ON, OFF)")
set_property(CACHE PWDPOLICY_INSTALL_LIVE_CONFIG PROPERTY STRINGS AUTO ON OFF)

# The library finds its support libraries beside it, wherever the prefix is.
set_target_properties(pwdpolicy vc-common vc-tidesafe PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS pwdpolicy vc-common vc-tidesafe
        EXPORT PwdPolicyTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/pwdpolicy.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ppc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The Java helper's targets, when the Java build is on.
if(TARGET pwdpolicy_jar)
  get_target_property(PWDPOLICY_JAR_FILE pwdpolicy_jar JAR_FILE)
  install(FILES ${PWDPOLICY_JAR_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/java)
endif()
if(TARGET pwdpolicy_jni)
  set_target_properties(pwdpolicy_jni PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS pwdpolicy_jni LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# CMake package.
install(EXPORT PwdPolicyTargets NAMESPACE PwdPolicy:: DESTINATION ${PWDPOLICY_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PwdPolicyConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/PwdPolicyConfig.cmake
                              INSTALL_DESTINATION ${PWDPOLICY_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PwdPolicyConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PwdPolicyConfig.cmake
              ${PROJECT_BINARY_DIR}/PwdPolicyConfigVersion.cmake
        DESTINATION ${PWDPOLICY_CMAKE_DIR})

# pkg-config.
configure_file(${PROJECT_SOURCE_DIR}/pwdpolicy.pc.in ${PROJECT_BINARY_DIR}/pwdpolicy.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pwdpolicy.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Sample configuration: always as a sample, and as the live configuration
# only where there is none yet. An operator's files are never overwritten.
install(FILES ${PROJECT_SOURCE_DIR}/config/ppc.conf ${PROJECT_SOURCE_DIR}/config/weakpwd.dic
        DESTINATION ${PWDPOLICY_SAMPLE_DIR})
install(CODE "
  set(mode \"${PWDPOLICY_INSTALL_LIVE_CONFIG}\")
  set(wanted FALSE)
  if(mode STREQUAL \"ON\")
    set(wanted TRUE)
  elseif(mode STREQUAL \"AUTO\" AND \"\$ENV{DESTDIR}\" STREQUAL \"\"
         AND (CMAKE_INSTALL_PREFIX STREQUAL \"/usr/local\" OR CMAKE_INSTALL_PREFIX STREQUAL \"/usr\"))
    set(wanted TRUE)
  endif()
  if(wanted)
    foreach(name ppc.conf weakpwd.dic)
      set(live \"\$ENV{DESTDIR}${PWDPOLICY_LIVE_CONFIG_DIR}/\${name}\")
      if(EXISTS \"\${live}\")
        message(STATUS \"Keeping existing: \${live}\")
      else()
        file(INSTALL \"${PROJECT_SOURCE_DIR}/config/\${name}\"
             DESTINATION \"\$ENV{DESTDIR}${PWDPOLICY_LIVE_CONFIG_DIR}\")
      endif()
    endforeach()
  endif()
")

# Debian package: cpack -G DEB in the build directory.
set(CPACK_PACKAGE_NAME pwdpolicy)
set(CPACK_PACKAGE_VENDOR "Vesticor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Password-policy component: judge, check and generate passwords")
set(CPACK_PACKAGE_DESCRIPTION "libpwdpolicy judges passwords against numbered policies, \
checks them against a weak-password dictionary and generates random passwords. \
With the ppc tool, the C header, a pkg-config file and a CMake package.")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "PwdPolicy maintainers <pwdpolicy@vesticor.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libinih1, libc6, libstdc++6, libgcc-s1")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package carries the samples; postinst puts them in place where none exist.
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian-postinst.in ${PROJECT_BINARY_DIR}/debian/postinst @ONLY)
file(CHMOD ${PROJECT_BINARY_DIR}/debian/postinst
     PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)

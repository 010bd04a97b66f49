# cmake --install: the header, the libraries with their sonames, ppc, the
# jar when Java is built, a pkg-config file, a CMake package, the man pages
# and the sample configuration. Every rule names its component, and
# cmake/Packaging.cmake turns each component into one Debian package.
#
#   runtime   libpwdpolicy.so.1
#   dev       header, libpwdpolicy.so, pkg-config file, CMake package, libpwdpolicy(3)
#   tools     ppc, ppc(1), ppc.conf(5), the samples under share/pwdpolicy
#   java      pwdpolicy.jar (the natives are in libpwdpolicy.so.1)
#   python    the Python package pwdpolicy (python/CMakeLists.txt installs it)
#   standins  our libvc-common.so.1 and libvc-tidesafe.so.1
include(CMakePackageConfigHelpers)

set(PWDPOLICY_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/PwdPolicy)
set(PWDPOLICY_SAMPLE_DIR ${CMAKE_INSTALL_DATADIR}/pwdpolicy)
set(PWDPOLICY_LIVE_CONFIG_DIR /usr/local/vesticor/conf)

# Installed under /usr, the libraries are in the system's search path and a
# RUNPATH is wrong (Debian forbids it); anywhere else each binary finds the
# libraries beside it through $ORIGIN.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(pwdpolicy_default_rpath OFF)
else()
  set(pwdpolicy_default_rpath ON)
endif()
option(PWDPOLICY_INSTALL_RPATH "Installed binaries find the libraries beside them ($ORIGIN)"
       ${pwdpolicy_default_rpath})
if(PWDPOLICY_INSTALL_RPATH)
  set_target_properties(pwdpolicy vc-common vc-tidesafe PROPERTIES INSTALL_RPATH "$ORIGIN")
else()
  set_target_properties(ppc PROPERTIES INSTALL_RPATH "")
  if(TARGET pwdpolicy_python)
    set_target_properties(pwdpolicy_python PROPERTIES INSTALL_RPATH "")
  endif()
endif()

# AUTO copies the sample configuration to the live path only when installing
# to /usr/local or /usr (so a staged or temporary install never touches the
# machine's configuration); ON always, OFF never. Never over existing files.
set(PWDPOLICY_INSTALL_LIVE_CONFIG AUTO CACHE STRING
    "Copy the sample configuration to ${PWDPOLICY_LIVE_CONFIG_DIR} where none exists (AUTO, ON, OFF)")
set_property(CACHE PWDPOLICY_INSTALL_LIVE_CONFIG PROPERTY STRINGS AUTO ON OFF)

# Shared libraries are not programs: 0644, as Debian ships them.
set(pwdpolicy_library_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

install(TARGETS pwdpolicy
        EXPORT PwdPolicyTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
                PERMISSIONS ${pwdpolicy_library_permissions}
                COMPONENT runtime NAMELINK_COMPONENT dev)
# The stand-ins: hosts never link them directly (the library does), so only
# the sonames are installed, all in one component that a deployment with the
# suite's real libraries leaves out.
install(TARGETS vc-common vc-tidesafe
        EXPORT PwdPolicyTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
                PERMISSIONS ${pwdpolicy_library_permissions}
                COMPONENT standins NAMELINK_SKIP)
install(FILES ${PROJECT_SOURCE_DIR}/include/pwdpolicy.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(TARGETS ppc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
# The jar, named as Debian's Java policy asks: versioned, with an unversioned
# link that hosts put on their class path.
if(TARGET pwdpolicy_jar)
  get_target_property(PWDPOLICY_JAR_FILE pwdpolicy_jar JAR_FILE)
  install(FILES ${PWDPOLICY_JAR_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/java
          RENAME pwdpolicy-${PROJECT_VERSION}.jar COMPONENT java)
  install(CODE "file(CREATE_LINK pwdpolicy-${PROJECT_VERSION}.jar
                     \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/java/pwdpolicy.jar\" SYMBOLIC)"
          COMPONENT java)
endif()

# CMake package.
install(EXPORT PwdPolicyTargets NAMESPACE PwdPolicy:: DESTINATION ${PWDPOLICY_CMAKE_DIR}
        COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PwdPolicyConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/PwdPolicyConfig.cmake
                              INSTALL_DESTINATION ${PWDPOLICY_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PwdPolicyConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PwdPolicyConfig.cmake
              ${PROJECT_BINARY_DIR}/PwdPolicyConfigVersion.cmake
        DESTINATION ${PWDPOLICY_CMAKE_DIR} COMPONENT dev)

# pkg-config. The file finds the prefix from where it lies, so the path back
# depends on the library directory (lib, or lib/x86_64-linux-gnu).
file(RELATIVE_PATH PWDPOLICY_PC_TO_PREFIX "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
configure_file(${PROJECT_SOURCE_DIR}/pwdpolicy.pc.in ${PROJECT_BINARY_DIR}/pwdpolicy.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pwdpolicy.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Man pages, compressed as man-db and Debian expect them.
set(pwdpolicy_man_pages ppc.1:tools ppc.conf.5:tools libpwdpolicy.3:dev)
if(TARGET pam_pwdpolicy)
  list(APPEND pwdpolicy_man_pages pam_pwdpolicy.8:pam)
endif()
set(pwdpolicy_man_outputs)
foreach(entry IN LISTS pwdpolicy_man_pages)
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 page)
  list(GET entry 1 component)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section "${page}")
  set(source ${PROJECT_SOURCE_DIR}/man/${page})
  set(output ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
                     COMMAND gzip -9n -c ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
  list(APPEND pwdpolicy_man_outputs ${output})
  install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endforeach()
add_custom_target(pwdpolicy_man ALL DEPENDS ${pwdpolicy_man_outputs})

# The sample dictionary: the repository's short list, merged with a larger
# public list of common passwords when one is named (scripts/setup.sh names
# john-data's password.lst). The merged list is never committed.
set(PWDPOLICY_EXTRA_WORDLIST "" CACHE FILEPATH
    "A list of common passwords merged into the sample dictionary (one a line, #! comments)")
if(PWDPOLICY_EXTRA_WORDLIST)
  set(PWDPOLICY_SAMPLE_DIC ${PROJECT_BINARY_DIR}/config/weakpwd.dic)
  add_custom_command(OUTPUT ${PWDPOLICY_SAMPLE_DIC}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/config
                     COMMAND sh ${PROJECT_SOURCE_DIR}/scripts/merge-wordlist.sh ${PWDPOLICY_SAMPLE_DIC}
                             ${PROJECT_SOURCE_DIR}/config/weakpwd.dic ${PWDPOLICY_EXTRA_WORDLIST}
                     DEPENDS ${PROJECT_SOURCE_DIR}/config/weakpwd.dic ${PWDPOLICY_EXTRA_WORDLIST}
                             ${PROJECT_SOURCE_DIR}/scripts/merge-wordlist.sh
                     VERBATIM)
  add_custom_target(pwdpolicy_sample_dictionary ALL DEPENDS ${PWDPOLICY_SAMPLE_DIC})
else()
  set(PWDPOLICY_SAMPLE_DIC ${PROJECT_SOURCE_DIR}/config/weakpwd.dic)
endif()

# Sample configuration: always as a sample (ppc config init puts it in
# place), and as the live configuration only where there is none yet. An
# operator's files are never overwritten.
install(FILES ${PROJECT_SOURCE_DIR}/config/ppc.conf ${PWDPOLICY_SAMPLE_DIC}
        DESTINATION ${PWDPOLICY_SAMPLE_DIR} COMPONENT tools)
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
    foreach(file \"${PROJECT_SOURCE_DIR}/config/ppc.conf\" \"${PWDPOLICY_SAMPLE_DIC}\")
      get_filename_component(name \"\${file}\" NAME)
      set(live \"\$ENV{DESTDIR}${PWDPOLICY_LIVE_CONFIG_DIR}/\${name}\")
      if(EXISTS \"\${live}\")
        message(STATUS \"Keeping existing: \${live}\")
      else()
        file(INSTALL \"\${file}\" DESTINATION \"\$ENV{DESTDIR}${PWDPOLICY_LIVE_CONFIG_DIR}\")
      endif()
    endforeach()
  endif()
" COMPONENT tools)

include(${CMAKE_CURRENT_LIST_DIR}/Packaging.cmake)

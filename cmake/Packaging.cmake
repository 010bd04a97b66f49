# Debian packages, one per install component, in Debian's usual split:
#
#   libpwdpolicy1      runtime    the library (and the Java natives inside it)
#   libpwdpolicy-dev   dev        header, .so link, pkg-config, CMake package, libpwdpolicy(3)
#   pwdpolicy-tools    tools      ppc, its man pages, the samples under /usr/share/pwdpolicy
#   libpwdpolicy-java  java       pwdpolicy.jar and the link the JVM loads the natives by
#   libvc-standins1    standins   our stand-ins for the suite's support libraries
#   libpam-pwdpolicy   pam        the PAM module and its pam-auth-update profile
#   python3-pwdpolicy  python     the Python package pwdpolicy, with its Django validator
#
# Build them from a tree configured for /usr (scripts/package-deb.sh does it;
# GNUInstallDirs then picks the multiarch library directory). Only the PAM
# module (its pam-auth-update profile) and the Python module (compiling and
# removing its bytecode) have maintainer scripts of their own: the libraries'
# packages activate the ldconfig trigger, and the live configuration under
# /usr/local is left to the operator (`ppc config init`).
#
# Adding a package is one call of pwdpolicy_deb_package for an install
# component, e.g. for a PAM module installed with COMPONENT pam:
#
#   if(TARGET pam_pwdpolicy)
#     pwdpolicy_deb_package(pam libpam-pwdpolicy SECTION admin
#       DEPENDS "libpwdpolicy1 (= ${PWDPOLICY_DEB_VERSION}), libpam-runtime, ${PWDPOLICY_DEB_LIBC}"
#       DESCRIPTION "PAM module enforcing PwdPolicy password policies\n...")
#   endif()

# Libraries whose packages activate ldconfig and publish a shlibs file.
set(PWDPOLICY_DEB_VERSION ${PROJECT_VERSION})
set(PWDPOLICY_DEB_LIBC "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12)")
# What our libraries' sonames are called when a package provides them: ours
# (libvc-standins1) or the suite's real ones.
set(PWDPOLICY_DEB_SUPPORT_LIBS "libvc-common1, libvc-tidesafe1")

set(PWDPOLICY_DEB_DIR ${PROJECT_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${PWDPOLICY_DEB_DIR}/copyright @ONLY)
if(PWDPOLICY_EXTRA_WORDLIST)
  file(READ ${PROJECT_SOURCE_DIR}/cmake/debian/copyright-wordlist PWDPOLICY_DEB_WORDLIST_COPYRIGHT)
  file(APPEND ${PWDPOLICY_DEB_DIR}/copyright "\n${PWDPOLICY_DEB_WORDLIST_COPYRIGHT}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PWDPOLICY_DEB_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${PWDPOLICY_DEB_DIR}/changelog.gz
                   COMMAND gzip -9n -c ${PWDPOLICY_DEB_DIR}/changelog > ${PWDPOLICY_DEB_DIR}/changelog.gz
                   DEPENDS ${PWDPOLICY_DEB_DIR}/changelog VERBATIM)
add_custom_target(pwdpolicy_deb_changelog ALL DEPENDS ${PWDPOLICY_DEB_DIR}/changelog.gz)
file(WRITE ${PWDPOLICY_DEB_DIR}/ldconfig/triggers "activate-noawait ldconfig\n")

set(CPACK_COMPONENTS_ALL)

# pwdpolicy_deb_package(COMPONENT PACKAGE SECTION s DESCRIPTION "summary\nlong text"
#                       [DEPENDS d] [PROVIDES p] [CONFLICTS c] [REPLACES r] [SUGGESTS s]
#                       [ARCH_ALL] [LIBRARIES])
# Makes install component COMPONENT the Debian package PACKAGE, with the
# copyright file and changelog Debian requires. LIBRARIES: the package holds
# shared libraries in the linker's path, so it activates ldconfig.
macro(pwdpolicy_deb_package component package)
  cmake_parse_arguments(deb "ARCH_ALL;LIBRARIES" "SECTION;DESCRIPTION;DEPENDS;PROVIDES;CONFLICTS;REPLACES;SUGGESTS" ""
                        ${ARGN})
  string(TOUPPER ${component} deb_comp)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  set(CPACK_DEBIAN_${deb_comp}_PACKAGE_NAME ${package})
  set(CPACK_DEBIAN_${deb_comp}_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_${deb_comp}_PACKAGE_SECTION ${deb_SECTION})
  string(REPLACE "\\n" "\n" CPACK_DEBIAN_${deb_comp}_DESCRIPTION "${deb_DESCRIPTION}")
  foreach(field DEPENDS PROVIDES CONFLICTS REPLACES SUGGESTS)
    if(deb_${field})
      set(CPACK_DEBIAN_${deb_comp}_PACKAGE_${field} "${deb_${field}}")
    endif()
  endforeach()
  if(deb_ARCH_ALL)
    set(CPACK_DEBIAN_${deb_comp}_PACKAGE_ARCHITECTURE all)
  endif()
  if(deb_LIBRARIES)
    set(CPACK_DEBIAN_${deb_comp}_PACKAGE_CONTROL_EXTRA ${PWDPOLICY_DEB_DIR}/ldconfig/triggers)
  endif()
  if(PWDPOLICY_DEB_LAYOUT)
    install(FILES ${PWDPOLICY_DEB_DIR}/copyright ${PWDPOLICY_DEB_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  endif()
endmacro()

# /usr/share/doc/PACKAGE/{copyright,changelog.gz} belong in packages only,
# not in an install to /usr/local.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(PWDPOLICY_DEB_LAYOUT ON)
else()
  set(PWDPOLICY_DEB_LAYOUT OFF)
endif()

pwdpolicy_deb_package(runtime libpwdpolicy1 SECTION libs LIBRARIES
  DEPENDS "${PWDPOLICY_DEB_LIBC}, libinih1 (>= 55), libnettle8, libxxhash0, libutf8proc2 (>= 2.8), ${PWDPOLICY_DEB_SUPPORT_LIBS}"
  DESCRIPTION "password-policy library: judge, check and generate passwords
libpwdpolicy judges passwords against numbered policies (length, character
classes, special characters), checks them against a weak-password
dictionary and generates random passwords. It reads its configuration from
/usr/local/vesticor/conf/ppc.conf and can reload it when the file changes.
The Java natives of libpwdpolicy-java are part of this library.")

pwdpolicy_deb_package(dev libpwdpolicy-dev SECTION libdevel
  DEPENDS "libpwdpolicy1 (= ${PWDPOLICY_DEB_VERSION})"
  DESCRIPTION "password-policy library: development files
The C header pwdpolicy.h, the link libpwdpolicy.so, a pkg-config file, a
CMake package (find_package(PwdPolicy)) and the manual page
libpwdpolicy(3).")

pwdpolicy_deb_package(tools pwdpolicy-tools SECTION admin
  DEPENDS "libpwdpolicy1 (= ${PWDPOLICY_DEB_VERSION}), ${PWDPOLICY_DEB_LIBC}"
  DESCRIPTION "password-policy library: the ppc command-line tool
ppc checks, generates and explains passwords with libpwdpolicy, shows the
policies, checks a configuration and watches reloads. The package also
holds the manual pages ppc(1) and ppc.conf(5) and a sample configuration
and weak-password dictionary under /usr/share/pwdpolicy; 'ppc config init'
puts them in place.")

if(TARGET pwdpolicy_jar)
  pwdpolicy_deb_package(java libpwdpolicy-java SECTION java
    DEPENDS "libpwdpolicy1 (= ${PWDPOLICY_DEB_VERSION})"
    DESCRIPTION "password-policy library: Java binding
The class com.korvane.vesticor.pwdpolicy.PwdPolicyAPI in pwdpolicy.jar, for
Java 11 and later. Its natives live in libpwdpolicy.so.1; this package links
them into the JVM's library path, so System.loadLibrary finds them.")
  # The JVM's default java.library.path holds /usr/lib/<triplet>/jni.
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/jni\")
    file(CREATE_LINK ../libpwdpolicy.so.${PROJECT_VERSION_MAJOR}
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/jni/libpwdpolicy.so\" SYMBOLIC)
  " COMPONENT java)
endif()

if(TARGET pam_pwdpolicy)
  pwdpolicy_deb_package(pam libpam-pwdpolicy SECTION admin
    DEPENDS "libpwdpolicy1 (= ${PWDPOLICY_DEB_VERSION}), libpam0g, libpam-runtime, ${PWDPOLICY_DEB_LIBC}"
    DESCRIPTION "PAM module enforcing PwdPolicy password policies
pam_pwdpolicy checks every new password set through PAM (passwd, chpasswd
and other PAM-aware programs) against a numbered policy of the PwdPolicy
configuration and its weak-password dictionary. A pam-auth-update profile is
included, not enabled by default.")
  set(CPACK_DEBIAN_PAM_PACKAGE_CONTROL_EXTRA "${PWDPOLICY_PAM_DEB_SCRIPTS}")
endif()

if(TARGET pwdpolicy_python)
  # The extension is built for one Python version; python3 (>= X.Y~) and
  # (<< X.Y+1) are how Debian's packages of such extensions say so.
  string(REPLACE "." ";" python_version_parts ${PWDPOLICY_PYTHON_VERSION})
  list(GET python_version_parts 1 python_minor)
  math(EXPR python_next_minor "${python_minor} + 1")
  pwdpolicy_deb_package(python python3-pwdpolicy SECTION python
    DEPENDS "libpwdpolicy1 (= ${PWDPOLICY_DEB_VERSION}), python3 (>= ${PWDPOLICY_PYTHON_VERSION}~), python3 (<< 3.${python_next_minor}), ${PWDPOLICY_DEB_LIBC}"
    SUGGESTS "python3-django"
    DESCRIPTION "password-policy library: Python 3 module
The module pwdpolicy judges passwords against the PwdPolicy policies, checks
them against its weak-password dictionary and breach table and generates
passwords, through libpwdpolicy. pwdpolicy.django holds a password
validator for Django's AUTH_PASSWORD_VALIDATORS.")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA "${PWDPOLICY_PYTHON_DEB_SCRIPTS}")
endif()

pwdpolicy_deb_package(standins libvc-standins1 SECTION libs LIBRARIES
  DEPENDS "libc6 (>= 2.34)"
  PROVIDES "${PWDPOLICY_DEB_SUPPORT_LIBS}"
  CONFLICTS "${PWDPOLICY_DEB_SUPPORT_LIBS}"
  REPLACES "${PWDPOLICY_DEB_SUPPORT_LIBS}"
  DESCRIPTION "stand-ins for the libvc-common and libvc-tidesafe support libraries
libpwdpolicy calls the suite's support libraries libvc-common.so.1 (log,
random seed, allocation) and libvc-tidesafe.so.1 (bounded string
formatting). This package holds PwdPolicy's own open implementations of
them. A deployment that has the suite's real libraries installs those
instead and leaves this package out.")

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME pwdpolicy)
set(CPACK_PACKAGE_VENDOR "The PwdPolicy developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The PwdPolicy developers <pwdpolicy@vesticor.example>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)

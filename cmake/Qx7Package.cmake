# The Debian/Ubuntu package: `cpack -G DEB` in a build folder makes
# qx7config_<version>_<arch>.deb of everything `cmake --install` installs,
# below /usr (polkit reads actions only there). Its package dependencies are
# found by dpkg-shlibdeps from the programs' libraries; pkexec, which starts
# the helper, is declared by hand. scripts/check-deb.sh builds and checks it.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME "qx7config")
set(CPACK_PACKAGE_VENDOR "QX7 Configurator project")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "QX7 Configurator maintainers <maintainers@qx7config.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure QX7 hardware-encrypted USB drives")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QX7_PROJECT_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec")
# The extended description, below the summary line (CPack puts it first and
# indents each line as the control file format wants).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The QX7 is an external USB hard drive that encrypts in hardware and has its
own keypad, display and RFID reader. This package reads and changes a drive's
security settings: passwords and their policy, self destruct, virtual CD,
keypad, key tone, auto-lock, read-only, RFID tags and menu languages.
.
It holds qx7ctl, the command-line tool, qx7config, the Qt desktop program,
and the small privileged helper both start through pkexec to write to a
drive.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian's copyright and changelog, and the manual pages compressed.
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/packaging/deb-prepare.cmake")
set(CPACK_QX7_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_QX7_VERSION "${CPACK_PACKAGE_VERSION}")
set(CPACK_QX7_MAINTAINER "${CPACK_PACKAGE_CONTACT}")

include(CPack)

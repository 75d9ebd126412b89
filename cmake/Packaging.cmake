# Installation (cmake --install) and the Debian package (cpack -G DEB): the
# program, the simulator, the menu entry with its launcher, the AppStream
# metainfo, the icons, the manual pages, the udev example, the changelog and
# the copyright file.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/Hardening.cmake)

# Who maintains the package: its Maintainer field, the changelog's signature
# and the copyright file's contact. The default's domain is reserved as
# never to exist (RFC 2606): set your own name and address when you publish
# the package (cmake -DKAVREL_MAINTAINER="Name <address>").
set(KAVREL_MAINTAINER "Kavrel developers <kavrel@kavrel.invalid>" CACHE STRING
    "The package's maintainer, as \"Name <address>\"")
if(NOT KAVREL_MAINTAINER MATCHES "^[^<>@]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
  message(FATAL_ERROR "KAVREL_MAINTAINER must be \"Name <user@host.domain>\", not \"${KAVREL_MAINTAINER}\"")
endif()

# The menu entry starts the program in this folder of the user's home,
# made on the first start (the program keeps all its files where it runs).
set(KAVREL_HOME_FOLDER "Каврел")

set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(_out ${CMAKE_BINARY_DIR}/packaging)

# Installing never builds the tests: scripts/package builds what it ships.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kavrel kavrel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The package's strip (CPACK_STRIP_FILES) leaves the compiler's notes, which
# Debian's own packages do not ship.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program kavrel kavrel-sim)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
")

# The launcher finds the program relative to itself, whatever the prefix.
set(_launcher_dir ${CMAKE_INSTALL_LIBEXECDIR}/kavrel)
file(RELATIVE_PATH KAVREL_LAUNCHER_TO_BIN /${_launcher_dir} /${CMAKE_INSTALL_BINDIR})
configure_file(${_pkg}/kavrel-desktop.in ${_out}/kavrel-desktop @ONLY)
install(PROGRAMS ${_out}/kavrel-desktop DESTINATION ${_launcher_dir})

# The changelog's latest entry is the version the package carries (the
# project's version): a new version needs its entry.
file(STRINGS ${_pkg}/changelog.in _latest LIMIT_COUNT 1)
string(REPLACE "\\;" ";" _latest "${_latest}")
if(NOT _latest MATCHES "^kavrel \\(([^)]+)\\) " OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog.in: the latest entry is \"${_latest}\", "
                      "the project's version is ${PROJECT_VERSION}: add its entry")
endif()
configure_file(${_pkg}/changelog.in ${_out}/changelog @ONLY)

# The licence: the copyright file's first, for all the program's files, is
# the one the AppStream file names.
file(STRINGS ${_pkg}/copyright.in _licence REGEX "^License: " LIMIT_COUNT 1)
string(REGEX REPLACE "^License: *" "" KAVREL_LICENSE "${_licence}")
configure_file(${_pkg}/copyright.in ${_out}/copyright @ONLY)
install(FILES ${_out}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kavrel)

# The menu entry and the manual pages name installed paths, known only when
# installing (cmake --install --prefix, or /usr in the package): they are
# filled in then, by cmake/InstallConfigured.cmake.
install(CODE "
  set(KAVREL_SOURCE_DIR \"${_pkg}\")
  set(KAVREL_WORK_DIR \"${_out}/installed\")
  set(KAVREL_APP_ID \"${KAVREL_APP_ID}\")
  set(KAVREL_HOME_FOLDER \"${KAVREL_HOME_FOLDER}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(KAVREL_LAUNCHER_PATH \"\${CMAKE_INSTALL_PREFIX}/${_launcher_dir}/kavrel-desktop\")
  set(KAVREL_DOC_PATH \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/doc/kavrel\")
  set(KAVREL_APPLICATIONS_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  set(KAVREL_MAN1_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")
  set(KAVREL_CHANGELOG \"${_out}/changelog\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/InstallConfigured.cmake\")
")

configure_file(${_pkg}/kavrel.metainfo.xml.in ${_out}/${KAVREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_out}/${KAVREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${_pkg}/icons/kavrel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${KAVREL_APP_ID}.png)
endforeach()
install(FILES ${_pkg}/icons/kavrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KAVREL_APP_ID}.svg)

install(FILES ${_pkg}/60-kavrel-serial.rules
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kavrel/examples)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kavrel)
# The shared journal's server part, run once by the server's administrator.
install(FILES ${CMAKE_SOURCE_DIR}/src/journal/kavrel-journal.sql DESTINATION ${CMAKE_INSTALL_DATADIR}/kavrel)

set(CPACK_PACKAGE_NAME kavrel)
set(CPACK_PACKAGE_VENDOR "Kavrel")
set(CPACK_PACKAGE_CONTACT "${KAVREL_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of the Kavrel 12kv breath-alcohol tester")
set(CPACK_PACKAGE_DESCRIPTION "Runs tests on the instrument over its serial line, keeps the journal\n\
of results, prints the examination act and lets service staff calibrate\n\
the sensor. The user interface is Russian. Includes kavrel-sim, an\n\
instrument simulator on a pseudo-terminal for trying the program without\n\
an instrument.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The Qt libraries and libsodium (the engineers' password hashes) come from
# the linked binaries (dpkg-shlibdeps); Qt's Russian texts, the act's
# monospaced font and Qt's SQLite and PostgreSQL drivers (plugins, for the
# test register and the shared journal) are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation, libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups, printer-driver-cups-pdf")
# Reproducible: CPack dates the package's files and archives
# SOURCE_DATE_EPOCH, by default the last commit's date (cmake/PackageDate.cmake,
# read by every cpack run).
set(CPACK_KAVREL_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageDate.cmake)
include(CPack)

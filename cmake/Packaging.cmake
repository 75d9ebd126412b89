# Installation (cmake --install) and the Debian package (cpack -G DEB): the
# program, the simulator, the menu entry with its launcher, the AppStream
# metainfo, the icons, the manual pages and the udev example.
include(GNUInstallDirs)

# The menu entry starts the program in this folder of the user's home,
# made on the first start (the program keeps all its files where it runs).
set(KAVREL_HOME_FOLDER "Каврел")

set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(_out ${CMAKE_BINARY_DIR}/packaging)

# Installing never builds the tests: scripts/package builds what it ships.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kavrel kavrel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The launcher finds the program relative to itself, whatever the prefix.
set(_launcher_dir ${CMAKE_INSTALL_LIBEXECDIR}/kavrel)
file(RELATIVE_PATH KAVREL_LAUNCHER_TO_BIN /${_launcher_dir} /${CMAKE_INSTALL_BINDIR})
configure_file(${_pkg}/kavrel-desktop.in ${_out}/kavrel-desktop @ONLY)
install(PROGRAMS ${_out}/kavrel-desktop DESTINATION ${_launcher_dir})

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

set(CPACK_PACKAGE_NAME kavrel)
set(CPACK_PACKAGE_VENDOR "Kavrel")
set(CPACK_PACKAGE_CONTACT "Kavrel <kavrel@localhost>")
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
# The Qt libraries come from the linked binaries (dpkg-shlibdeps); Qt's
# Russian texts and the act's monospaced font are read at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups, printer-driver-cups-pdf")
include(CPack)

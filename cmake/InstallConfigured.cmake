# Run while installing (see Packaging.cmake): fills the installed paths into
# the menu entry and the manual pages, then installs them. The manual pages
# are compressed, as Debian keeps them.
configure_file(${KAVREL_SOURCE_DIR}/kavrel.desktop.in
               ${KAVREL_WORK_DIR}/${KAVREL_APP_ID}.desktop @ONLY)
file(INSTALL ${KAVREL_WORK_DIR}/${KAVREL_APP_ID}.desktop DESTINATION ${KAVREL_APPLICATIONS_DIR})

foreach(page kavrel.1 kavrel-sim.1)
  configure_file(${KAVREL_SOURCE_DIR}/${page} ${KAVREL_WORK_DIR}/${page} @ONLY)
  file(ARCHIVE_CREATE OUTPUT ${KAVREL_WORK_DIR}/${page}.gz PATHS ${KAVREL_WORK_DIR}/${page}
       FORMAT raw COMPRESSION GZip)
  file(INSTALL ${KAVREL_WORK_DIR}/${page}.gz DESTINATION ${KAVREL_MAN1_DIR})
endforeach()

# Run while installing (see Packaging.cmake): fills the installed paths into
# the menu entry and the manual pages, then installs them. The manual pages
# and the changelog are compressed as Debian keeps them: gzip -9n, best
# compression and no name or date in the header.
function(kavrel_install_gzipped source gzipped destination)
  execute_process(COMMAND gzip -9n --stdout ${source} OUTPUT_FILE ${gzipped}
                  COMMAND_ERROR_IS_FATAL ANY)
  file(INSTALL ${gzipped} DESTINATION ${destination})
endfunction()

configure_file(${KAVREL_SOURCE_DIR}/kavrel.desktop.in
               ${KAVREL_WORK_DIR}/${KAVREL_APP_ID}.desktop @ONLY)
file(INSTALL ${KAVREL_WORK_DIR}/${KAVREL_APP_ID}.desktop DESTINATION ${KAVREL_APPLICATIONS_DIR})

foreach(page kavrel.1 kavrel-sim.1)
  configure_file(${KAVREL_SOURCE_DIR}/${page} ${KAVREL_WORK_DIR}/${page} @ONLY)
  kavrel_install_gzipped(${KAVREL_WORK_DIR}/${page} ${KAVREL_WORK_DIR}/${page}.gz ${KAVREL_MAN1_DIR})
endforeach()

kavrel_install_gzipped(${KAVREL_CHANGELOG} ${KAVREL_WORK_DIR}/changelog.gz ${KAVREL_DOC_PATH})

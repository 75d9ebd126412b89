# Read by cpack before it makes the package (CPACK_PROJECT_CONFIG_FILE): when
# SOURCE_DATE_EPOCH is not set, the package's dates are the last commit's, so
# two packages made from the same commit are the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_KAVREL_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE _commit_date OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE _git ERROR_QUIET)
  if(_git EQUAL 0 AND _commit_date MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${_commit_date}")
  else()
    message(WARNING "Not a git checkout: the package is dated now. "
                    "Set SOURCE_DATE_EPOCH for a reproducible package.")
  endif()
endif()

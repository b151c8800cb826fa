# Run by the build (cmake -P): writes the version header with the checkout's commit.
# configure_file rewrites the header only when its text changes, so an unchanged commit
# recompiles nothing.
# In: SOURCE_DIR, OUTPUT, SIMPLEX_VERSION, GIT_EXECUTABLE (may be empty).
set(SIMPLEX_COMMIT "")
if(GIT_EXECUTABLE)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=7 HEAD
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed)
    set(SIMPLEX_COMMIT ${commit})
  endif()
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/simplex_version.h.in ${OUTPUT} @ONLY)

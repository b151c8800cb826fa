# The version both programs print: the project version and, in a git checkout, the commit.
# The commit is looked up at every build, so the line never names a stale commit.
find_package(Git QUIET)
set(SIMPLEX_VERSION_HEADER ${PROJECT_BINARY_DIR}/generated/simplex_version.h)
add_custom_target(simplex_version
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${SIMPLEX_VERSION_HEADER}
          -DSIMPLEX_VERSION=${PROJECT_VERSION} -DGIT_EXECUTABLE=${GIT_EXECUTABLE}
          -P ${PROJECT_SOURCE_DIR}/cmake/write_version.cmake
  BYPRODUCTS ${SIMPLEX_VERSION_HEADER}
  COMMENT "Version header")

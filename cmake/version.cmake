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

# Both compile startup/common/version.cpp.
foreach(target simplex-cli startup_support)
  if(TARGET ${target})
    add_dependencies(${target} simplex_version)
    target_include_directories(${target} PRIVATE ${PROJECT_BINARY_DIR}/generated)
  endif()
endforeach()

# The end-to-end version test runs both programs and expects the project version.
if(TARGET e2e_version_test)
  target_compile_definitions(e2e_version_test PRIVATE SIMPLEX_PROJECT_VERSION="${PROJECT_VERSION}")
  if(TARGET simplex)
    add_dependencies(e2e_version_test simplex)
  endif()
endif()

# `cmake --install` and the Debian package (`cpack -G DEB`): both programs, the desktop entry
# and its icon, the manual pages, the examples, and the Debian documentation files.
include(GNUInstallDirs)
set(SIMPLEX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(SIMPLEX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/simplex)

foreach(program simplex simplex-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${SIMPLEX_PACKAGING_DIR}/simplex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${SIMPLEX_PACKAGING_DIR}/simplex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${SIMPLEX_DOC_DIR}/examples)
install(FILES ${SIMPLEX_PACKAGING_DIR}/copyright DESTINATION ${SIMPLEX_DOC_DIR})

# Manual pages carry the project version; they and the changelog are installed compressed
# with gzip -9n (no name, no time stamp), as Debian wants them.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(compressed)
foreach(page simplex.1 simplex-cli.1)
  configure_file(${SIMPLEX_PACKAGING_DIR}/${page}.in ${PROJECT_BINARY_DIR}/packaging/${page} @ONLY)
  list(APPEND compressed ${PROJECT_BINARY_DIR}/packaging/${page})
endforeach()
configure_file(${SIMPLEX_PACKAGING_DIR}/changelog ${PROJECT_BINARY_DIR}/packaging/changelog COPYONLY)
list(APPEND compressed ${PROJECT_BINARY_DIR}/packaging/changelog)
set(compressed_outputs)
foreach(file ${compressed})
  add_custom_command(OUTPUT ${file}.gz COMMAND ${GZIP_EXECUTABLE} -9n -c ${file} > ${file}.gz DEPENDS ${file})
  list(APPEND compressed_outputs ${file}.gz)
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${compressed_outputs})
install(FILES ${PROJECT_BINARY_DIR}/packaging/simplex.1.gz ${PROJECT_BINARY_DIR}/packaging/simplex-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${SIMPLEX_DOC_DIR})

# The Debian package. Its dependencies are the shared libraries' packages (dpkg-shlibdeps)
# plus the fonts the console and the plot draw with.
set(SIMPLEX_PACKAGE_MAINTAINER "simplex maintainers <maintainers@users.noreply.c-seed-be6d7d2b.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME simplex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
# The extended description, in lines of at most 80 columns as Debian asks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "An analysis program for community ecologists. It compares every pair of sites"
  "(or species) of a presence/absence or abundance matrix, splits each pair into"
  "similarity, species replacement and richness difference, prints the mean"
  "percentages, and writes per-pair scores and triangle-plot coordinates."
  "It reads its own plain layout and tables with names exported from"
  "spreadsheets or R."
  "The package holds the desktop program simplex and the terminal program"
  "simplex-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${SIMPLEX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)

# Install rules: the headers, the shared and static libraries, the tovrak
# command with its man page and bash completion, a CMake package and a
# pkg-config file. Everything is found relative to the install prefix, so the
# tree can move. Components are the Debian packages they go to (packaging.cmake).
include(CMakePackageConfigHelpers)

set(TOVRAK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tovrak)

install(TARGETS tovrak_shared EXPORT tovrakTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT runtime NAMELINK_COMPONENT development)
install(TARGETS tovrak_static EXPORT tovrakTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY include/tovrak ${TOVRAK_GENERATED_INCLUDE_DIR}/tovrak
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

install(EXPORT tovrakTargets NAMESPACE tovrak:: DESTINATION ${TOVRAK_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(cmake/tovrakConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tovrakConfig.cmake INSTALL_DESTINATION ${TOVRAK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tovrakConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tovrakConfig.cmake
  ${PROJECT_BINARY_DIR}/tovrakConfigVersion.cmake
  DESTINATION ${TOVRAK_CMAKE_DIR} COMPONENT development)

# pkg-config: ${pcfiledir} keeps the file relocatable.
file(RELATIVE_PATH TOVRAK_PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/tovrak.pc.in ${PROJECT_BINARY_DIR}/tovrak.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tovrak.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# The command finds the library beside it wherever the tree is installed;
# a system install (/usr) needs no search path.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  file(RELATIVE_PATH _tovrak_bin_to_lib
    /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_LIBDIR})
  set_target_properties(tovrak PROPERTIES INSTALL_RPATH "\$ORIGIN/${_tovrak_bin_to_lib}")
endif()
install(TARGETS tovrak RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)

# The man page and the bash completion are written by the commands' own
# option tables and help texts (tovrak_docgen), so neither can fall behind
# the program; the man page compressed as Debian wants it (no time stamp).
find_program(TOVRAK_GZIP gzip REQUIRED)
add_executable(tovrak_docgen packaging/docs_main.cpp)
target_link_libraries(tovrak_docgen PRIVATE tovrak_cli)
set(TOVRAK_DOCS_DIR ${PROJECT_BINARY_DIR}/packaging)
add_custom_command(OUTPUT ${TOVRAK_DOCS_DIR}/tovrak.1 ${TOVRAK_DOCS_DIR}/tovrak.1.gz
    ${TOVRAK_DOCS_DIR}/tovrak.bash
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TOVRAK_DOCS_DIR}
  COMMAND tovrak_docgen man > ${TOVRAK_DOCS_DIR}/tovrak.1
  COMMAND ${TOVRAK_GZIP} -9nc ${TOVRAK_DOCS_DIR}/tovrak.1 > ${TOVRAK_DOCS_DIR}/tovrak.1.gz
  COMMAND tovrak_docgen bash > ${TOVRAK_DOCS_DIR}/tovrak.bash
  DEPENDS tovrak_docgen VERBATIM)
add_custom_target(tovrak_docs ALL DEPENDS ${TOVRAK_DOCS_DIR}/tovrak.1.gz
  ${TOVRAK_DOCS_DIR}/tovrak.bash)

# The README beside the man page, which points to it.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT cli)
install(FILES ${PROJECT_BINARY_DIR}/packaging/tovrak.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES ${PROJECT_BINARY_DIR}/packaging/tovrak.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tovrak COMPONENT cli)

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

# The man page, compressed as Debian wants it (no time stamp in the archive).
find_program(TOVRAK_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/tovrak.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${TOVRAK_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/tovrak.1
    > ${PROJECT_BINARY_DIR}/packaging/tovrak.1.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/tovrak.1 VERBATIM)

# Bash completion: commands and options come from the command's own --help at
# completion time; member names are written from the member table at build
# time, so neither can drift from the code.
add_executable(tovrak_member_names packaging/member_names.cpp)
target_link_libraries(tovrak_member_names PRIVATE tovrak_shared)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/tovrak.bash
  COMMAND ${CMAKE_COMMAND} -DMEMBERS=$<TARGET_FILE:tovrak_member_names>
    -DIN=${PROJECT_SOURCE_DIR}/packaging/tovrak.bash.in
    -DOUT=${PROJECT_BINARY_DIR}/packaging/tovrak.bash
    -P ${PROJECT_SOURCE_DIR}/cmake/completion.cmake
  DEPENDS tovrak_member_names ${PROJECT_SOURCE_DIR}/packaging/tovrak.bash.in
    ${PROJECT_SOURCE_DIR}/cmake/completion.cmake VERBATIM)
add_custom_target(tovrak_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/tovrak.1.gz
  ${PROJECT_BINARY_DIR}/packaging/tovrak.bash)

install(FILES ${PROJECT_BINARY_DIR}/packaging/tovrak.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES ${PROJECT_BINARY_DIR}/packaging/tovrak.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tovrak COMPONENT cli)

# Debian packages, built with `cpack -G DEB` in a Release build tree. Each
# package's synopsis is the project's one-line description; the component
# descriptions below are the long descriptions, in lines of Debian's width.
#   tovrak          the command, its man page and bash completion   (cli)
#   libtovrak1      the shared library                               (runtime)
#   libtovrak-dev   headers, static library, CMake and pkg-config    (development)
# The Python module adds its package here: cmake/package_python.cmake, included
# before CPack, appends its install component to TOVRAK_PACKAGE_COMPONENTS and
# sets that component's CPACK_DEBIAN_<COMPONENT>_* and CPACK_COMPONENT_<COMPONENT>_*
# variables (package name, section, dependencies, description); it gets the
# copyright file and changelog like the others.
set(TOVRAK_PACKAGE_COMPONENTS cli runtime development)

set(CPACK_PACKAGE_NAME tovrak)
# The project's maintainers, as its history names them.
set(CPACK_PACKAGE_VENDOR "tovrak maintainers")
set(CPACK_PACKAGE_CONTACT "Seed f238b4f8 maintainers <maintainers@users.noreply.c-seed-f238b4f8.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The command's dependency on the library is the component dependency below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME tovrak)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION hamradio)
set(CPACK_COMPONENT_CLI_DEPENDS runtime)
set(CPACK_COMPONENT_CLI_DESCRIPTION
  "The tovrak command runs the tovrak library against a real radio or a\n\
simulated one: it reads and changes the radio once, shows the radio's\n\
state live, runs session scripts of member calls in real or virtual time\n\
and shares one radio among several programs.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtovrak${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# Our own shlibs file (the one CPack generates names no version) and the
# ldconfig trigger.
configure_file(${PROJECT_SOURCE_DIR}/packaging/shlibs.in ${PROJECT_BINARY_DIR}/packaging/control/shlibs @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/triggers ${PROJECT_BINARY_DIR}/packaging/control/triggers COPYONLY)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/packaging/control/shlibs ${PROJECT_BINARY_DIR}/packaging/control/triggers)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "A station-control program loads tovrak to open the radio's serial port,\n\
tune and set the radio, read its state from memory and be told of changes.\n\
This package holds the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtovrak-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "A station-control program loads tovrak to open the radio's serial port,\n\
tune and set the radio, read its state from memory and be told of changes.\n\
This package holds the headers, the static library, the CMake package\n\
and the pkg-config file.")

# Every package carries the copyright file and the changelog Debian asks for.
set(_tovrak_doc ${PROJECT_BINARY_DIR}/packaging/doc)
file(MAKE_DIRECTORY ${_tovrak_doc})
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${_tovrak_doc}/changelog @ONLY)
execute_process(COMMAND ${TOVRAK_GZIP} -9nc ${_tovrak_doc}/changelog
  OUTPUT_FILE ${_tovrak_doc}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)

if(TOVRAK_WITH_PYTHON)
  include(${PROJECT_SOURCE_DIR}/cmake/package_python.cmake)
endif()

set(CPACK_COMPONENTS_ALL ${TOVRAK_PACKAGE_COMPONENTS})
foreach(component ${TOVRAK_PACKAGE_COMPONENTS})
  string(TOUPPER ${component} _up)
  set(_pkg ${CPACK_DEBIAN_${_up}_PACKAGE_NAME})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_tovrak_doc}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${_pkg} COMPONENT ${component})
endforeach()

include(CPack)

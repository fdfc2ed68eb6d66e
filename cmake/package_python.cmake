# The Debian package python3-tovrak (`cpack -G DEB` in the build tree): the
# install component "python", the package tovrak in Debian's dist-packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovrak)
set(CPACK_PACKAGE_VENDOR tovrak)
set(CPACK_PACKAGE_CONTACT "tovrak maintainers <maintainers@tovrak.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL python)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tovrak)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}.99)")
find_program(TOVRAK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TOVRAK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_COMPONENT_PYTHON_DISPLAY_NAME "tovrak for Python")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
    "The radio's control component for Python 3 (import tovrak)\n The shared control object with every member of its interface, its Change\n event as Python callbacks, its errors as tovrak.Error, the apartment driven\n by run(), run_for() or an asyncio loop, and the simulated radio on a\n pseudo-terminal.")
include(CPack)

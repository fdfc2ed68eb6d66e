# The Debian package python3-tovrak (`cpack -G DEB` in the build tree): the
# install component "python", the package tovrak in Debian's dist-packages;
# included by packaging.cmake beside the library's packages.
list(APPEND TOVRAK_PACKAGE_COMPONENTS python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tovrak)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
# The extension is built for one interpreter version.
math(EXPR TOVRAK_PY_NEXT_MINOR "${Python3_VERSION_MINOR} + 1")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${TOVRAK_PY_NEXT_MINOR})")
find_program(TOVRAK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TOVRAK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_COMPONENT_PYTHON_DISPLAY_NAME "tovrak for Python")
# The long description, in lines of Debian's width (the synopsis is the
# project's description, as for the other packages).
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
  "The tovrak component for Debian's Python 3 (/usr/bin/python3): import\n\
tovrak gives the shared control object with every member of its\n\
interface, its Change event as Python callbacks, its errors as Python's\n\
own exceptions (tovrak.Error carries the component's error number), its\n\
apartment driven by run(), run_for() or an asyncio loop, and the\n\
simulated radio on a pseudo-terminal.")

# The source lists of the libraries and front ends. Each folder that builds
# into something lists its files by hand in a sources.cmake beside them,
# with paths from that folder (${CMAKE_CURRENT_LIST_DIR}), so that every
# build including them (Linux, Windows, fuzzing) takes the same list; no
# list is globbed. A program built from one file names it where it is built.
set(_src ${CMAKE_CURRENT_LIST_DIR}/../src)
set(TOVRAK_CORE_SOURCES)  # each folder of the core adds its files
foreach(folder
    radio core/values core/component core/forms core/link core/answers core/polling core/commands
    platform platform/virtual platform/posix platform/win32
    hosts/station hosts/sim hosts/share hosts/web hosts/cli hosts/com hosts/com/gen)
  include(${_src}/${folder}/sources.cmake)
endforeach()
unset(_src)

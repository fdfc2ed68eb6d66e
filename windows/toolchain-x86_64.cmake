# Cross build of the Windows component for x86-64 with MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOVRAK_MINGW_TRIPLE x86_64-w64-mingw32)
set(TOVRAK_WIDL_ARCH -m64)
set(TOVRAK_WINE_DLL_DIRS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Cross build of the 32-bit Windows deliverables with MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KIV_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

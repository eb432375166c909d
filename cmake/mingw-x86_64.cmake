# Cross build of the same deliverables for x86_64 Windows. Not shipped: it is
# what the tests and the demo run under wine64 on hosts that cannot run
# 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KIV_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

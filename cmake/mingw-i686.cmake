# Cross toolchain: i686 Windows with mingw-w64.
set(KAL_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# Wine inside Xvfb, or "skipped" where this machine runs no 32-bit code.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# Cross toolchain: x86-64 Windows with mingw-w64. Its programs run under
# Wine's 64-bit loader (wine_run.sh picks it), inside Xvfb.
set(KAL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

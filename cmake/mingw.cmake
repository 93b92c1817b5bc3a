# Cross toolchain body shared by both Windows targets (posix threads, for
# GoogleTest): the including file sets KAL_MINGW_TRIPLE, the processor and
# the Wine loader that runs its programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KAL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KAL_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${KAL_MINGW_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${KAL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

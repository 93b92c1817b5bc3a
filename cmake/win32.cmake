# Windows build (i686 or x86-64, mingw-w64; the toolchain file decides):
# kalengine.dll, kaldemo.exe and the tests that run under Wine.

# SSE arithmetic so that the projection tables match the native build bit for
# bit; static runtime so that no mingw DLL has to travel with ours.
add_compile_options(-msse2 -mfpmath=sse)
add_link_options(-static -static-libgcc -static-libstdc++)

set(KAL_WIN_BIN ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${KAL_WIN_BIN})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${KAL_WIN_BIN})

# The Win32 windows that give the portable parts their platform.
set(KAL_WINDOWS_SOURCES
  engine/windows/animation_timer.cpp
  engine/windows/compass_window.cpp
  engine/windows/library_main.cpp
  engine/windows/navigation_window.cpp
  engine/windows/window_classes.cpp
  engine/windows/kalengine.rc)
list(TRANSFORM KAL_WINDOWS_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)

# The .def names carry their stdcall decoration (@ bytes of arguments); x86-64
# has one calling convention and no decoration, so there they are stripped.
set(KAL_DEF_SOURCE ${CMAKE_SOURCE_DIR}/engine/core/kalengine.def)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KAL_DEF_FILE ${CMAKE_BINARY_DIR}/generated/kalengine.def)
  file(READ ${KAL_DEF_SOURCE} def_text)
  string(REGEX REPLACE "@[0-9]+" "" def_text "${def_text}")
  file(WRITE ${KAL_DEF_FILE}.tmp "${def_text}")
  configure_file(${KAL_DEF_FILE}.tmp ${KAL_DEF_FILE} COPYONLY)
else()
  set(KAL_DEF_FILE ${KAL_DEF_SOURCE})
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KAL_DEF_SOURCE})

add_library(kalengine SHARED
  ${KAL_PORTABLE_SOURCES} ${KAL_WINDOWS_SOURCES} ${KAL_DEF_FILE})
set_target_properties(kalengine PROPERTIES PREFIX "" OUTPUT_NAME kalengine)
target_include_directories(kalengine PUBLIC ${KAL_ENGINE_INCLUDES})
target_compile_options(kalengine PRIVATE ${KAL_WARNINGS})
# Exports come from the .def file by their undecorated names.
target_link_options(kalengine PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
target_link_libraries(kalengine PRIVATE gdi32 user32 winmm)
# The linker's import library would carry the killed names; callers reference
# the decorated ones, so the import library is made from the .def instead.
add_custom_command(TARGET kalengine POST_BUILD
  COMMAND ${CMAKE_DLLTOOL} --input-def ${KAL_DEF_FILE}
          --dllname kalengine.dll --kill-at --output-lib $<TARGET_LINKER_FILE:kalengine>)
include(${CMAKE_SOURCE_DIR}/engine/windows/resources.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/cmake/version.cmake)
kal_version_resource(kalengine kalengine.dll "Kalvoria panoramic imaging engine")

# GoogleTest from Debian's sources, built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB win_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
file(GLOB win_test_resources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.rc)
add_executable(kal_win_tests ${win_tests} ${win_test_resources} ${KAL_TEST_COMMON_SOURCES})
target_include_directories(kal_win_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(kal_win_tests PRIVATE ${KAL_WARNINGS})
target_compile_definitions(kal_win_tests PRIVATE
  KAL_DEF_FILE="${KAL_DEF_SOURCE}"
  KAL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(kal_win_tests PRIVATE kalengine gtest gtest_main gdi32 user32 winmm comdlg32 ole32 oleaut32 version)
target_compile_definitions(kal_win_tests PRIVATE KAL_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  KAL_VERSION_MINOR=${PROJECT_VERSION_MINOR} KAL_VERSION_PATCH=${PROJECT_VERSION_PATCH})
# One test a screen depth: every case on a 24-bit screen, the palette paths
# on an 8-bit one. A Wine process start costs a second, so each screen runs
# the binary once; the two share the architecture's prefix, hence the lock.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KAL_WIN_ARCH win64)
else()
  set(KAL_WIN_ARCH win32)
endif()
foreach(depth 24 8)
  if(depth EQUAL 8)
    set(filter "*EightBit*")
  else()
    set(filter "-*EightBit*")
  endif()
  add_test(NAME ${KAL_WIN_ARCH}.screen${depth} COMMAND kal_win_tests --gtest_filter=${filter}
           WORKING_DIRECTORY ${KAL_WIN_BIN})
  set_tests_properties(${KAL_WIN_ARCH}.screen${depth} PROPERTIES
    ENVIRONMENT KAL_SCREEN_DEPTH=${depth} RESOURCE_LOCK wine-${KAL_WIN_ARCH}
    SKIP_RETURN_CODE 77 TIMEOUT 1200 LABELS windows)
endforeach()
include(${CMAKE_SOURCE_DIR}/tests/win32/resources.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/bench/win32/bench.cmake OPTIONAL)

set(KAL_DEMO_SOURCES
  demo/logo_window.cpp
  demo/main_window.cpp
  demo/messages.cpp
  demo/notifications.cpp
  demo/open_flow.cpp
  demo/options.cpp
  demo/kaldemo.rc)
list(TRANSFORM KAL_DEMO_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_executable(kaldemo WIN32 ${KAL_DEMO_SOURCES})
target_compile_options(kaldemo PRIVATE ${KAL_WARNINGS})
target_link_libraries(kaldemo PRIVATE kalengine gdi32 user32 comdlg32)
kal_version_resource(kaldemo kaldemo.exe "Kalvoria demo")
add_dependencies(kal_win_tests kaldemo)  # the tests start it and read its version
include(${CMAKE_SOURCE_DIR}/demo/resources.cmake OPTIONAL)

include(${CMAKE_SOURCE_DIR}/cmake/win32_tools.cmake OPTIONAL)

# The export test checks every name of the .def file; hand it the list.
file(STRINGS ${KAL_DEF_SOURCE} def_lines)
set(def_names "")
foreach(line ${def_lines})
  string(STRIP "${line}" line)
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)(@[0-9]+)?$" AND NOT line STREQUAL "EXPORTS")
    string(APPEND def_names "    \"${CMAKE_MATCH_1}\",\n")
  endif()
endforeach()
file(WRITE ${KAL_GENERATED_DIR}/def_exports.inc.tmp "${def_names}")
configure_file(${KAL_GENERATED_DIR}/def_exports.inc.tmp ${KAL_GENERATED_DIR}/def_exports.inc COPYONLY)
target_include_directories(kal_win_tests PRIVATE ${KAL_GENERATED_DIR})

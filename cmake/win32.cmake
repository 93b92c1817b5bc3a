# Windows build (i686, mingw-w64): kalengine.dll, kaldemo.exe and the tests
# that run under Wine.

# SSE arithmetic so that the projection tables match the native build bit for
# bit; static runtime so that no mingw DLL has to travel with ours.
add_compile_options(-msse2 -mfpmath=sse)
add_link_options(-static -static-libgcc -static-libstdc++)

set(KAL_WIN_BIN ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${KAL_WIN_BIN})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${KAL_WIN_BIN})

file(GLOB KAL_WINDOWS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/engine/windows/*.cpp)
list(FILTER KAL_WINDOWS_SOURCES EXCLUDE REGEX "_controller\\.cpp$")  # already portable
file(GLOB KAL_WINDOWS_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/engine/windows/*.rc)

add_library(kalengine SHARED
  ${KAL_PORTABLE_SOURCES} ${KAL_WINDOWS_SOURCES} ${KAL_WINDOWS_RESOURCES}
  ${CMAKE_SOURCE_DIR}/engine/core/kalengine.def)
set_target_properties(kalengine PROPERTIES PREFIX "" OUTPUT_NAME kalengine)
target_include_directories(kalengine PUBLIC ${KAL_ENGINE_INCLUDES})
target_compile_options(kalengine PRIVATE ${KAL_WARNINGS})
# Exports come from the .def file by their undecorated names.
target_link_options(kalengine PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
target_link_libraries(kalengine PRIVATE gdi32 user32 winmm)
# The linker's import library would carry the killed names; callers reference
# the decorated ones, so the import library is made from the .def instead.
add_custom_command(TARGET kalengine POST_BUILD
  COMMAND i686-w64-mingw32-dlltool --input-def ${CMAKE_SOURCE_DIR}/engine/core/kalengine.def
          --dllname kalengine.dll --kill-at --output-lib $<TARGET_LINKER_FILE:kalengine>)
include(${CMAKE_SOURCE_DIR}/engine/windows/resources.cmake OPTIONAL)

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
  KAL_DEF_FILE="${CMAKE_SOURCE_DIR}/engine/core/kalengine.def"
  KAL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(kal_win_tests PRIVATE kalengine gtest gtest_main gdi32 user32 winmm comdlg32 ole32 oleaut32)
add_test(NAME win_tests COMMAND kal_win_tests WORKING_DIRECTORY ${KAL_WIN_BIN})
include(${CMAKE_SOURCE_DIR}/tests/win32/resources.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/bench/win32/bench.cmake OPTIONAL)

file(GLOB demo_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/*.cpp)
file(GLOB demo_resources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/*.rc)
add_executable(kaldemo WIN32 ${demo_sources} ${demo_resources})
target_compile_options(kaldemo PRIVATE ${KAL_WARNINGS})
target_link_libraries(kaldemo PRIVATE kalengine gdi32 user32 comdlg32)
include(${CMAKE_SOURCE_DIR}/demo/resources.cmake OPTIONAL)

include(${CMAKE_SOURCE_DIR}/cmake/win32_tools.cmake OPTIONAL)

# The export test checks every name of the .def file; hand it the list.
set(def_file ${CMAKE_SOURCE_DIR}/engine/core/kalengine.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
file(STRINGS ${def_file} def_lines)
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

# kalrender for Windows: the same program on kalengine.dll, BMP output only.
include(${CMAKE_SOURCE_DIR}/kalrender/sources.cmake)
add_executable(kalrender ${KALRENDER_SOURCES}
  ${CMAKE_SOURCE_DIR}/kalrender/panorama_input_dll.cpp)
target_compile_options(kalrender PRIVATE ${KAL_WARNINGS})
# The program lives in bin/, the samples in samples/ beside it.
target_compile_definitions(kalrender PRIVATE KALRENDER_DEFAULT_PANORAMA="../samples/courtyard.bmp")
target_link_libraries(kalrender PRIVATE kal_host kalengine)
kal_version_resource(kalrender kalrender.exe "Kalvoria command-line renderer")
add_dependencies(kal_win_tests kalrender)  # its version is tested

# kalrender, the command-line renderer, on the portable engine and the host
# library (every image format, true colour, PNG output). The native tests
# run it on the bundled samples.
include(${CMAKE_SOURCE_DIR}/kalrender/sources.cmake)
add_executable(kalrender ${KALRENDER_SOURCES}
  ${CMAKE_SOURCE_DIR}/kalrender/panorama_input_native.cpp)
target_compile_options(kalrender PRIVATE ${KAL_WARNINGS})
target_compile_definitions(kalrender PRIVATE KALRENDER_DEFAULT_PANORAMA="samples/courtyard.bmp"
  KALRENDER_PNG=1)
target_link_libraries(kalrender PRIVATE kal_host_codecs kal_portable)
add_dependencies(kal_native_tests kalrender kal_samples)

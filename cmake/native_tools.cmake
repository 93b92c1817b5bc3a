# kalrender, the command-line renderer, on the portable engine; PNG output
# when libpng is there. The native tests run it on the bundled sample.
include(${CMAKE_SOURCE_DIR}/tools/kalrender/sources.cmake)
add_executable(kalrender ${KALRENDER_SOURCES})
target_include_directories(kalrender PRIVATE ${KALRENDER_INCLUDES})
target_compile_options(kalrender PRIVATE ${KAL_WARNINGS})
target_compile_definitions(kalrender PRIVATE KALRENDER_DEFAULT_PANORAMA="samples/courtyard.bmp")
target_link_libraries(kalrender PRIVATE kal_portable)
find_package(PNG QUIET)
if(PNG_FOUND)
  target_compile_definitions(kalrender PRIVATE KALRENDER_PNG=1)
  target_link_libraries(kalrender PRIVATE PNG::PNG)
endif()
add_dependencies(kal_native_tests kalrender kal_samples)

# Sources and include folders of kalrender, shared by the native and the
# Windows build.
set(KALRENDER_SOURCES
  ${CMAKE_SOURCE_DIR}/tools/kalrender/kalrender.cpp
  ${CMAKE_SOURCE_DIR}/tools/kalrender/render_options.cpp
  ${CMAKE_SOURCE_DIR}/tools/kalrender/view_output.cpp
  ${CMAKE_SOURCE_DIR}/host/open_panorama.cpp
  ${CMAKE_SOURCE_DIR}/tests/common/bmp_writer.cpp)
# The BMP writer from the test helpers.
set(KALRENDER_INCLUDES ${CMAKE_SOURCE_DIR}/tests)

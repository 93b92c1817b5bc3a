# Sources of kalrender shared by the native and the Windows build; each adds
# its panorama_input_*.cpp, and the host library comes with the link.
set(KALRENDER_SOURCES
  ${CMAKE_SOURCE_DIR}/kalrender/kalrender.cpp
  ${CMAKE_SOURCE_DIR}/kalrender/panorama_input.cpp
  ${CMAKE_SOURCE_DIR}/kalrender/render_options.cpp
  ${CMAKE_SOURCE_DIR}/kalrender/view_output.cpp)

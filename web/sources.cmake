# The web module's session code, shared by the WebAssembly build, the native
# tests and the native half of the web benchmark.
set(KALWEB_SESSION_SOURCES
  ${CMAKE_SOURCE_DIR}/web/src/web_session.cpp
  ${CMAKE_SOURCE_DIR}/web/src/session_frames.cpp
  ${CMAKE_SOURCE_DIR}/web/src/colour_view.cpp
  ${CMAKE_SOURCE_DIR}/web/src/session_hotspots.cpp
  ${CMAKE_SOURCE_DIR}/web/src/session_input.cpp
  ${CMAKE_SOURCE_DIR}/web/src/image_check.cpp
  ${CMAKE_SOURCE_DIR}/web/src/pixel_rows.cpp)

# The native half of the web benchmark: the web viewer's session code on the
# native engine, timing the same views as the WebAssembly module.
include(${CMAKE_SOURCE_DIR}/web/sources.cmake)
add_executable(kalweb_render_timer
  ${CMAKE_SOURCE_DIR}/web/bench/render_timer.cpp
  ${CMAKE_SOURCE_DIR}/web/bench/render_views.cpp
  ${KALWEB_SESSION_SOURCES})
target_compile_options(kalweb_render_timer PRIVATE ${KAL_WARNINGS})
target_link_libraries(kalweb_render_timer PRIVATE kal_portable)

# The native tests cover the session code and the page's C interface too.
target_sources(kal_native_tests PRIVATE
  ${KALWEB_SESSION_SOURCES}
  ${CMAKE_SOURCE_DIR}/web/src/exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/colour_exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/open_exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/view_exports.cpp)

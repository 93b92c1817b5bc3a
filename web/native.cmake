# The native half of the web benchmark: the web viewer's session code on the
# native engine, timing the same views as the WebAssembly module.
add_executable(kalweb_render_timer
  ${CMAKE_SOURCE_DIR}/web/bench/render_timer.cpp
  ${CMAKE_SOURCE_DIR}/web/bench/render_views.cpp
  ${CMAKE_SOURCE_DIR}/web/src/web_session.cpp)
target_compile_options(kalweb_render_timer PRIVATE ${KAL_WARNINGS})
target_link_libraries(kalweb_render_timer PRIVATE kal_portable)

# The native tests cover the session code too.
target_sources(kal_native_tests PRIVATE
  ${CMAKE_SOURCE_DIR}/web/src/web_session.cpp)

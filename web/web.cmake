# The web viewer's WebAssembly module (Emscripten build): the portable
# engine, the shared host helpers and the page's C interface in one
# standalone module without JavaScript glue.
set(KAL_WEB_SOURCES
  ${KAL_PORTABLE_SOURCES}
  ${CMAKE_SOURCE_DIR}/engine/platform/stand_in.cpp
  ${CMAKE_SOURCE_DIR}/web/src/web_session.cpp
  ${CMAKE_SOURCE_DIR}/web/src/exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/view_exports.cpp
  ${CMAKE_SOURCE_DIR}/web/bench/render_views.cpp)
add_executable(kalvoria ${KAL_WEB_SOURCES})
set_target_properties(kalvoria PROPERTIES SUFFIX ".wasm")
target_include_directories(kalvoria PRIVATE ${KAL_ENGINE_INCLUDES} ${CMAKE_SOURCE_DIR}/engine/platform)
# Pointers are 32-bit here, but the browser compiles the module for a
# processor with registers to spare: the joint row-pair loop is the faster.
# -msse2 maps the renderer's four-at-a-time offset pass onto WebAssembly SIMD.
target_compile_definitions(kalvoria PRIVATE KAL_SPLIT_ROW_PAIRS=0)
target_compile_options(kalvoria PRIVATE ${KAL_WARNINGS} -O3 -msimd128 -msse2 -mbulk-memory -mnontrapping-fptoint -fno-exceptions)
target_link_options(kalvoria PRIVATE -O3 -msimd128 -mbulk-memory -mnontrapping-fptoint -sSTANDALONE_WASM --no-entry
  -sALLOW_MEMORY_GROWTH=1 -sMALLOC=emmalloc)

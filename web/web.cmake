# The web viewer's WebAssembly module (Emscripten build): the portable
# engine, the shared host helpers and the page's C interface in one
# standalone module without JavaScript glue; and the benchmark's build of it.
include(${CMAKE_SOURCE_DIR}/web/sources.cmake)
set(KAL_WEB_SOURCES
  ${KAL_PORTABLE_SOURCES}
  ${CMAKE_SOURCE_DIR}/engine/platform/stand_in.cpp
  ${KALWEB_SESSION_SOURCES}
  ${CMAKE_SOURCE_DIR}/web/src/exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/colour_exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/open_exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/view_exports.cpp
  ${CMAKE_SOURCE_DIR}/web/src/rows_exports.cpp)

function(kal_web_module name)
  add_executable(${name} ${KAL_WEB_SOURCES} ${ARGN})
  set_target_properties(${name} PROPERTIES SUFFIX ".wasm")
  target_include_directories(${name} PRIVATE ${KAL_ENGINE_INCLUDES} ${CMAKE_SOURCE_DIR}/engine/platform)
  target_link_libraries(${name} PRIVATE kal_host)
  # Pointers are 32-bit here, but the browser compiles the module for a
  # processor with registers to spare: the joint row-pair loop is the faster.
  # -msse2 maps the renderer's four-at-a-time offset pass onto WebAssembly SIMD.
  target_compile_definitions(${name} PRIVATE KAL_SPLIT_ROW_PAIRS=0)
  target_compile_options(${name} PRIVATE ${KAL_WARNINGS} -O3 -msimd128 -msse2 -mbulk-memory -mnontrapping-fptoint -fno-exceptions)
  # 2 GiB at most: the page reads the module's pointers as signed 32-bit numbers.
  target_link_options(${name} PRIVATE -O3 -msimd128 -mbulk-memory -mnontrapping-fptoint -sSTANDALONE_WASM --no-entry
    -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2GB -sMALLOC=emmalloc)
endfunction()

# What the page ships: no benchmark code.
kal_web_module(kalvoria)

# The build a cross-origin isolated page renders with on two workers: the
# same module over an imported shared memory (16 MiB at first, 2 GiB at
# most, as engine.js makes it). Each instance has its own stack pointer;
# the memory's data is set once, whichever instance comes first.
function(kal_web_shared_module name)
  kal_web_module(${name} ${ARGN})
  target_compile_options(${name} PRIVATE -matomics)
  # The threads' C++ library: the other one is built without atomics,
  # which shared memory refuses.
  target_link_options(${name} PRIVATE -matomics -sINITIAL_MEMORY=16MB -Wl,--shared-memory -Wl,--import-memory
    -nostdlib++ -lc++-mt-noexcept -lc++abi-mt-noexcept)
endfunction()
kal_web_shared_module(kalvoria_shared)
# The benchmark's module: the same, plus the bare renderer's view loop.
kal_web_module(kalvoria_bench
  ${CMAKE_SOURCE_DIR}/web/bench/bench_exports.cpp
  ${CMAKE_SOURCE_DIR}/web/bench/render_views.cpp)

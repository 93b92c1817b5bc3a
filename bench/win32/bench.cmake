# Windows benchmarks: every bench/win32/*.cpp becomes bench_win32_<name>.exe,
# linked against kalengine; ./kal bench runs them under Wine for each
# architecture this machine runs.
file(GLOB kal_win32_bench_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win32/*.cpp)
add_custom_target(kal_win32_benches)
foreach(src ${kal_win32_bench_sources})
  get_filename_component(name ${src} NAME_WE)
  add_executable(bench_win32_${name} ${src} ${CMAKE_SOURCE_DIR}/tests/common/test_images.cpp)
  target_include_directories(bench_win32_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(bench_win32_${name} PRIVATE ${KAL_WARNINGS})
  target_link_libraries(bench_win32_${name} PRIVATE kalengine gdi32 user32 winmm)
  add_dependencies(kal_win32_benches bench_win32_${name})
endforeach()

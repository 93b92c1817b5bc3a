# Native (Linux) build: portable engine over the Win32 stand-in, unit tests,
# benchmarks, fuzz targets and the command-line renderer.
option(KAL_SANITIZE "Build with AddressSanitizer and UBSan" OFF)
option(KAL_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(KAL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(kal_stand_in STATIC ${CMAKE_SOURCE_DIR}/engine/platform/stand_in.cpp)
target_include_directories(kal_stand_in PUBLIC ${CMAKE_SOURCE_DIR}/engine/platform)
target_compile_options(kal_stand_in PRIVATE ${KAL_WARNINGS})

add_library(kal_portable STATIC ${KAL_PORTABLE_SOURCES})
target_include_directories(kal_portable PUBLIC ${KAL_ENGINE_INCLUDES})
target_link_libraries(kal_portable PUBLIC kal_stand_in)
target_compile_options(kal_portable PRIVATE ${KAL_WARNINGS})

if(KAL_FUZZ)
  # Fuzz targets only: the engine is instrumented for coverage.
  target_compile_options(kal_portable PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  target_compile_options(kal_stand_in PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
  foreach(src ${fuzzers})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE ${KAL_WARNINGS} -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE kal_portable)
    string(REGEX REPLACE "_fuzz$" "" corpus ${name})
    add_test(NAME fuzz.${corpus} COMMAND ${CMAKE_SOURCE_DIR}/cmake/fuzz_run.sh $<TARGET_FILE:${name}>
             ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${corpus} ${CMAKE_BINARY_DIR}/work/${name})
    set_tests_properties(fuzz.${corpus} PROPERTIES LABELS fuzz)
  endforeach()
  include(${CMAKE_SOURCE_DIR}/web/fuzz.cmake OPTIONAL)
  return()
endif()

find_package(GTest REQUIRED)
file(GLOB native_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(kal_native_tests ${native_tests} ${KAL_TEST_COMMON_SOURCES})
target_include_directories(kal_native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(kal_native_tests PRIVATE ${KAL_WARNINGS})
target_compile_definitions(kal_native_tests PRIVATE
  KAL_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KAL_BINARY_DIR="${CMAKE_BINARY_DIR}")
target_link_libraries(kal_native_tests PRIVATE kal_portable GTest::gtest GTest::gtest_main)
# One CTest test a case: the count is honest and cases spread over the cores.
include(GoogleTest)
set(KAL_GTEST_DISCOVERY DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT UBSAN_OPTIONS=print_stacktrace=1 LABELS native)
gtest_discover_tests(kal_native_tests TEST_PREFIX native. ${KAL_GTEST_DISCOVERY})

# The renderer copies a row pair one row at a time where pointers are 32-bit;
# this build compiles that loop here, so the renderer tests cover it on every
# machine, whether or not it runs 32-bit code.
add_library(kal_portable_split_rows STATIC ${KAL_PORTABLE_SOURCES})
target_include_directories(kal_portable_split_rows PUBLIC ${KAL_ENGINE_INCLUDES})
target_link_libraries(kal_portable_split_rows PUBLIC kal_stand_in)
target_compile_options(kal_portable_split_rows PRIVATE ${KAL_WARNINGS})
target_compile_definitions(kal_portable_split_rows PRIVATE KAL_SPLIT_ROW_PAIRS=1)
file(GLOB render_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/render*_test.cpp)
add_executable(kal_native_split_rows_tests ${render_tests} ${KAL_TEST_COMMON_SOURCES})
target_include_directories(kal_native_split_rows_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(kal_native_split_rows_tests PRIVATE ${KAL_WARNINGS})
target_compile_definitions(kal_native_split_rows_tests PRIVATE KAL_SPLIT_ROW_PAIRS=1
  KAL_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KAL_BINARY_DIR="${CMAKE_BINARY_DIR}")
target_link_libraries(kal_native_split_rows_tests PRIVATE
  kal_portable_split_rows GTest::gtest GTest::gtest_main)
gtest_discover_tests(kal_native_split_rows_tests TEST_PREFIX split-rows. ${KAL_GTEST_DISCOVERY})

find_package(benchmark QUIET)
if(benchmark_FOUND)
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  foreach(src ${benches})
    get_filename_component(name ${src} NAME_WE)
    add_executable(bench_${name} ${src} ${KAL_TEST_COMMON_SOURCES})
    target_include_directories(bench_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/bench)
    target_compile_options(bench_${name} PRIVATE ${KAL_WARNINGS})
    target_link_libraries(bench_${name} PRIVATE kal_portable benchmark::benchmark)
  endforeach()
  # OpenCV's remap is the continuous view's yardstick: the benchmark's only.
  find_package(OpenCV QUIET COMPONENTS core imgproc)
  if(OpenCV_FOUND)
    target_compile_definitions(bench_continuous_view PRIVATE KAL_BENCH_OPENCV=1)
    target_include_directories(bench_continuous_view PRIVATE ${OpenCV_INCLUDE_DIRS})
    target_link_libraries(bench_continuous_view PRIVATE ${OpenCV_LIBS})
  else()
    message(STATUS "OpenCV not found: the continuous-view benchmark skips its remap comparison")
  endif()
endif()

include(${CMAKE_SOURCE_DIR}/cmake/native_tools.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/web/native.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/cmake/suites.cmake)

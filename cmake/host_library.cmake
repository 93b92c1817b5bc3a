# The host library: what programs that open panoramas share. kal_host is
# plain C++ on the engine's interface (every build, also the WebAssembly
# module); kal_host_codecs adds the JPEG and PNG decoders, area scaling and
# the one loadImage door (native only: it needs the libraries and the
# engine's memory loader).
file(GLOB KAL_HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/src/*.cpp)
file(GLOB KAL_HOST_CODEC_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/codecs/*.cpp)

add_library(kal_host STATIC ${KAL_HOST_SOURCES})
target_include_directories(kal_host PUBLIC ${CMAKE_SOURCE_DIR}/host/include)
target_compile_options(kal_host PRIVATE ${KAL_WARNINGS})
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  target_link_libraries(kal_host PUBLIC kalengine)
  # The DLL exports only the C interface; the attribute reader that
  # kalinput.h declares is plain code, built into the programs as well.
  target_sources(kal_host PRIVATE ${CMAKE_SOURCE_DIR}/engine/attributes/attribute_reader.cpp)
elseif(EMSCRIPTEN)
  target_include_directories(kal_host PUBLIC ${KAL_ENGINE_INCLUDES} ${CMAKE_SOURCE_DIR}/engine/platform)
else()
  target_link_libraries(kal_host PUBLIC kal_portable)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(KAL_CODEC_LIBS REQUIRED IMPORTED_TARGET libturbojpeg spng stb)
  add_library(kal_host_codecs STATIC ${KAL_HOST_CODEC_SOURCES})
  target_include_directories(kal_host_codecs PUBLIC ${CMAKE_SOURCE_DIR}/host/include)
  target_compile_options(kal_host_codecs PRIVATE ${KAL_WARNINGS})
  target_link_libraries(kal_host_codecs PUBLIC kal_host PRIVATE PkgConfig::KAL_CODEC_LIBS)
  if(KAL_FUZZ)
    target_compile_options(kal_host PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
    target_compile_options(kal_host_codecs PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  endif()
endif()

# Tests, benchmarks and fuzz targets build their files with the host BMP
# writer and test the host code, the demo checks headers with it: each gets
# the library, and so do the web module and its native timer.
get_property(kal_targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
foreach(target ${kal_targets})
  if(target MATCHES "^(kal_native.*tests|kal_win_tests|kaldemo|kalvoria|kalweb_.*|bench_.*|.*_fuzz)$")
    if(TARGET kal_host_codecs)
      target_link_libraries(${target} PRIVATE kal_host_codecs)
    else()
      target_link_libraries(${target} PRIVATE kal_host)
    endif()
  endif()
endforeach()

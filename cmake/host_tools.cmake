# Generators of resources and sample data run on the build machine, also in
# the cross build, so they are compiled with the host compiler directly.
find_program(KAL_HOST_CXX NAMES g++ c++ REQUIRED)
set(KAL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KAL_GENERATED_DIR})

# kal_host_tool(NAME SOURCES... [-lLIB...]): builds ${KAL_GENERATED_DIR}/NAME
# from tools/, linked with the libraries named -lLIB.
function(kal_host_tool name)
  set(sources ${ARGN})
  set(libraries ${ARGN})
  list(FILTER sources EXCLUDE REGEX "^-l")
  list(FILTER libraries INCLUDE REGEX "^-l")
  list(TRANSFORM sources PREPEND ${CMAKE_SOURCE_DIR}/tools/)
  add_custom_command(
    OUTPUT ${KAL_GENERATED_DIR}/${name}
    COMMAND ${KAL_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -Werror
            -I${CMAKE_SOURCE_DIR}/tools -I${CMAKE_SOURCE_DIR}/host/include -o ${KAL_GENERATED_DIR}/${name} ${sources} ${libraries}
    DEPENDS ${sources}
    COMMENT "Building host tool ${name}")
endfunction()

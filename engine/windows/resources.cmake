# Generated resources of kalengine.dll: cursors and compass face drawn by one
# host tool, the type library written by another from the interface list.
kal_host_tool(draw_engine_resources draw_engine_resources.cpp)
kal_host_tool(make_typelib make_typelib.cpp)
# The tool compiles its headers in; a change to the interface list rebuilds it.
add_custom_command(OUTPUT ${KAL_GENERATED_DIR}/make_typelib APPEND
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/interface_list.h ${CMAKE_SOURCE_DIR}/tools/sltg_writer.h
          ${CMAKE_SOURCE_DIR}/tools/kalvoria_typelib.h)

set(kal_engine_res_dir ${KAL_GENERATED_DIR}/engine_resources)
file(MAKE_DIRECTORY ${kal_engine_res_dir})

set(kal_engine_drawings "")
foreach(name nomove up down left right upleft upright downleft downright point)
  list(APPEND kal_engine_drawings ${kal_engine_res_dir}/${name}.cur)
endforeach()
list(APPEND kal_engine_drawings ${kal_engine_res_dir}/compass.bmp)

add_custom_command(
  OUTPUT ${kal_engine_drawings}
  COMMAND ${KAL_GENERATED_DIR}/draw_engine_resources ${kal_engine_res_dir}
  DEPENDS ${KAL_GENERATED_DIR}/draw_engine_resources
  COMMENT "Drawing the engine's cursors and compass face")
set(kal_typelib_kind "")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(kal_typelib_kind --win64)
endif()
add_custom_command(
  OUTPUT ${kal_engine_res_dir}/kalvoria.tlb
  COMMAND ${KAL_GENERATED_DIR}/make_typelib ${kal_engine_res_dir} ${kal_typelib_kind}
  DEPENDS ${KAL_GENERATED_DIR}/make_typelib
  COMMENT "Writing the engine's type library")

set(kal_engine_generated ${kal_engine_drawings} ${kal_engine_res_dir}/kalvoria.tlb)
add_custom_target(kal_engine_resources DEPENDS ${kal_engine_generated})
add_dependencies(kalengine kal_engine_resources)
set_source_files_properties(${CMAKE_SOURCE_DIR}/engine/windows/kalengine.rc PROPERTIES
  OBJECT_DEPENDS "${kal_engine_generated}"
  INCLUDE_DIRECTORIES ${kal_engine_res_dir})

# The demo's pictures are generated on the build machine; the resource script
# finds them in the generated folder. The window procedures are exported by
# their plain names.
kal_host_tool(make_demo_resources make_demo_resources.cpp)
set(demo_pictures ${KAL_GENERATED_DIR}/demo_logo.bmp ${KAL_GENERATED_DIR}/demo_appicon.ico)
add_custom_command(
  OUTPUT ${demo_pictures}
  COMMAND ${KAL_GENERATED_DIR}/make_demo_resources ${KAL_GENERATED_DIR}
  DEPENDS ${KAL_GENERATED_DIR}/make_demo_resources
  COMMENT "Drawing the demo's logo and icon")
add_custom_target(kaldemo_pictures DEPENDS ${demo_pictures})
add_dependencies(kaldemo kaldemo_pictures)
set_source_files_properties(${CMAKE_SOURCE_DIR}/demo/kaldemo.rc PROPERTIES
  OBJECT_DEPENDS "${demo_pictures};${CMAKE_SOURCE_DIR}/demo/menu_ids.h")
target_include_directories(kaldemo PRIVATE ${KAL_GENERATED_DIR} ${CMAKE_SOURCE_DIR}/demo)
target_link_options(kaldemo PRIVATE -Wl,--kill-at)

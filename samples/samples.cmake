# The sample panorama (courtyard.bmp, its RLE8 copy and an attribute file for each),
# drawn at build time into ${CMAKE_BINARY_DIR}/samples.
kal_host_tool(make_sample_panorama make_sample_panorama.cpp ../tests/common/bmp_writer.cpp)
set(KAL_SAMPLES_DIR ${CMAKE_BINARY_DIR}/samples)
set(KAL_SAMPLE_FILES
  ${KAL_SAMPLES_DIR}/courtyard.bmp
  ${KAL_SAMPLES_DIR}/courtyard_rle8.bmp
  ${KAL_SAMPLES_DIR}/courtyard.KAL
  ${KAL_SAMPLES_DIR}/courtyard_rle8.KAL)
add_custom_command(
  OUTPUT ${KAL_SAMPLE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KAL_SAMPLES_DIR}
  COMMAND ${KAL_GENERATED_DIR}/make_sample_panorama ${KAL_SAMPLES_DIR}
  DEPENDS ${KAL_GENERATED_DIR}/make_sample_panorama
  COMMENT "Drawing the sample panorama")
add_custom_target(kal_samples ALL DEPENDS ${KAL_SAMPLE_FILES})

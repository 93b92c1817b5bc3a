# The sample panoramas, drawn at build time into ${CMAKE_BINARY_DIR}/samples:
# courtyard.bmp (8-bit, for the DLL and the demo), its RLE8 copy, an
# attribute file for each, the true-colour courtyard.jpg and the 180-degree
# courtyard_180.jpg with GPano XMP.
kal_host_tool(make_sample_panorama make_sample_panorama.cpp sample_jpeg.cpp
              ../host/src/bmp_writer.cpp -lturbojpeg)
set(KAL_SAMPLES_DIR ${CMAKE_BINARY_DIR}/samples)
set(KAL_SAMPLE_FILES
  ${KAL_SAMPLES_DIR}/courtyard.bmp
  ${KAL_SAMPLES_DIR}/courtyard_rle8.bmp
  ${KAL_SAMPLES_DIR}/courtyard.KAL
  ${KAL_SAMPLES_DIR}/courtyard_rle8.KAL
  ${KAL_SAMPLES_DIR}/courtyard.jpg
  ${KAL_SAMPLES_DIR}/courtyard_180.jpg)
add_custom_command(
  OUTPUT ${KAL_SAMPLE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KAL_SAMPLES_DIR}
  COMMAND ${KAL_GENERATED_DIR}/make_sample_panorama ${KAL_SAMPLES_DIR}
  DEPENDS ${KAL_GENERATED_DIR}/make_sample_panorama
  COMMENT "Drawing the sample panorama")
add_custom_target(kal_samples ALL DEPENDS ${KAL_SAMPLE_FILES})

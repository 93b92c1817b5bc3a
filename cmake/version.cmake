# A VERSIONINFO resource for each shipped Windows binary, all from the one
# project version (project() in CMakeLists.txt).

# kal_version_resource(TARGET FILE_NAME DESCRIPTION): FILE_NAME decides
# whether it is a DLL or a program.
function(kal_version_resource target file description)
  set(KAL_VERSION_TARGET ${target})
  set(KAL_VERSION_FILE ${file})
  set(KAL_VERSION_DESCRIPTION "${description}")
  if(file MATCHES "\\.dll$")
    set(KAL_VERSION_TYPE VFT_DLL)
  else()
    set(KAL_VERSION_TYPE VFT_APP)
  endif()
  set(rc ${KAL_GENERATED_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

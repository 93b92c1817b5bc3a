# The web module's fuzz target takes the session code beside the engine.
include(${CMAKE_SOURCE_DIR}/web/sources.cmake)
if(TARGET web_open_fuzz)
  target_sources(web_open_fuzz PRIVATE ${KALWEB_SESSION_SOURCES})
endif()

# Suites beside the unit tests: the launcher's own decisions, the browser
# tests, the packed npm package and the formatting and lint checks.
# Registered in the native tree, which holds the kalrender the browser tests
# compare with.
get_filename_component(KAL_BUILD_ROOT ${CMAKE_BINARY_DIR} DIRECTORY)

add_test(NAME launcher COMMAND bash ${CMAKE_SOURCE_DIR}/tests/launcher/launcher_test.sh)
set_tests_properties(launcher PROPERTIES LABELS launcher TIMEOUT 600)

# web/run.sh finds kalrender in its build root's native/ folder.
add_test(NAME web COMMAND ${CMAKE_SOURCE_DIR}/web/run.sh test ${CMAKE_BINARY_DIR}/web-results.txt)
set_tests_properties(web PROPERTIES LABELS web TIMEOUT 1200 PROCESSORS 2
  ENVIRONMENT KAL_BUILD_DIR=${KAL_BUILD_ROOT} RESOURCE_LOCK web-build)

# Packs build/web into a tarball, installs it into an empty folder and opens
# a page from it; it builds the module first, so never beside the web suite.
add_test(NAME package COMMAND ${CMAKE_SOURCE_DIR}/web/run.sh test-package)
set_tests_properties(package PROPERTIES LABELS web TIMEOUT 600
  ENVIRONMENT KAL_BUILD_DIR=${KAL_BUILD_ROOT} RESOURCE_LOCK web-build)

# The JavaScript as prettier prints it and as eslint passes it; both use the
# Node packages web/run.sh setup installs.
add_test(NAME js-format COMMAND ${CMAKE_SOURCE_DIR}/web/run.sh format --check)
add_test(NAME js-lint COMMAND ${CMAKE_SOURCE_DIR}/web/run.sh lint)
set_tests_properties(js-format js-lint PROPERTIES LABELS format)

find_program(KAL_CLANG_FORMAT clang-format)
if(KAL_CLANG_FORMAT)
  add_test(NAME format COMMAND ${CMAKE_SOURCE_DIR}/cmake/check_format.sh ${KAL_CLANG_FORMAT})
else()
  add_test(NAME format COMMAND sh -c "echo 'kal: no clang-format: ./kal setup installs it'; exit 1")
endif()
set_tests_properties(format PROPERTIES LABELS format)

# Programs see the engine through its public headers only.
add_test(NAME public-includes COMMAND ${CMAKE_SOURCE_DIR}/cmake/check_public_includes.sh)
set_tests_properties(public-includes PROPERTIES LABELS format)

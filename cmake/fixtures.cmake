# Test libraries with version resources for the shared-file scenarios: every
# tests/e2e/fixtures/*.rc becomes <name>.dll in <build>/fixtures, which the
# test bench puts on a medium or into a prefix.
set(QS_FIXTURE_DIR ${CMAKE_SOURCE_DIR}/tests/e2e/fixtures)
file(GLOB QS_FIXTURE_SCRIPTS CONFIGURE_DEPENDS ${QS_FIXTURE_DIR}/*.rc)
foreach(script ${QS_FIXTURE_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  add_library(fixture_${name} SHARED ${QS_FIXTURE_DIR}/fixture.c ${script})
  set_source_files_properties(${script} PROPERTIES OBJECT_DEPENDS ${QS_FIXTURE_DIR}/versioninfo.rch)
  target_compile_options(fixture_${name} PRIVATE $<$<COMPILE_LANGUAGE:C>:${QS_WARNING_FLAGS}>)
  target_link_options(fixture_${name} PRIVATE -static-libgcc -s)
  set_target_properties(fixture_${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures/lib)
endforeach()

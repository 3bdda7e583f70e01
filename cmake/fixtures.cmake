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

# The library the planted-DLL scenarios put beside Setup.exe and into the
# install folder under the names of system DLLs (tests/e2e/planted): no C
# runtime, imports from ntdll.dll alone, so that a copy named kernel32.dll or
# msvcrt.dll needs no other copy of itself; its entry point leaves a trace.
add_library(planted SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/planted/planted.c)
target_compile_options(planted PRIVATE ${QS_WARNING_FLAGS} -ffreestanding -fno-builtin -fno-stack-protector)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QS_PLANTED_ENTRY _DllMain@12)
else()
  set(QS_PLANTED_ENTRY DllMain)
endif()
target_link_options(planted PRIVATE -nostdlib -Wl,--entry,${QS_PLANTED_ENTRY} -Wl,--dynamicbase -s)
target_link_libraries(planted PRIVATE ntdll)
set_target_properties(planted PROPERTIES PREFIX "" OUTPUT_NAME planted
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures/lib)

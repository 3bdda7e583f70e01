# libFuzzer targets over the rules that read outside data (clang only):
# every tests/fuzz/<name>_fuzz.cpp is one target <name>_fuzz.
set(QS_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_compile_options(setup_rules PRIVATE ${QS_FUZZ_FLAGS})
file(GLOB QS_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(src ${QS_FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${QS_CHARSET_FLAGS} ${QS_WARNING_FLAGS} ${QS_FUZZ_FLAGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE setup_rules)
endforeach()

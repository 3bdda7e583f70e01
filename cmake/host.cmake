# Unit tests of the rules (with AddressSanitizer and UBSan), the medium tools,
# and the registration of the Wine test bench in CTest.
enable_testing()
find_package(GTest REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QS_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
option(QS_SANITIZERS "Build the rules and their tests with ASan and UBSan" ON)
if(QS_SANITIZERS)
  target_compile_options(setup_rules PRIVATE ${QS_SANITIZE})
  target_link_options(setup_rules PUBLIC ${QS_SANITIZE})
endif()

# What a medium will do, worked out over the stages' own rules: linked into
# the tools and the tests, never into Setup.exe.
file(GLOB QS_MEDIUM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/medium/*.cpp)
add_library(medium_rules STATIC ${QS_MEDIUM_SOURCES})
target_compile_options(medium_rules PRIVATE ${QS_CHARSET_FLAGS} ${QS_WARNING_FLAGS})
target_link_libraries(medium_rules PUBLIC setup_rules)
if(QS_SANITIZERS)
  target_compile_options(medium_rules PRIVATE ${QS_SANITIZE})
endif()

file(GLOB QS_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*_test.cpp)
add_executable(unit_tests ${QS_UNIT_TESTS})
target_compile_options(unit_tests PRIVATE ${QS_CHARSET_FLAGS} ${QS_WARNING_FLAGS})
if(QS_SANITIZERS)
  target_compile_options(unit_tests PRIVATE ${QS_SANITIZE})
endif()
target_link_libraries(unit_tests PRIVATE medium_rules setup_rules GTest::gtest GTest::gtest_main)
include(GoogleTest)
# CTest names are the test names themselves: every parameterised case is
# named by its row (tests/unit/test_names.h), and the printed row is left out.
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)

# The folders of src/ as layers: no file includes against their order.
add_test(NAME include_order COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/include_order.py ${CMAKE_SOURCE_DIR})

# The Wine bench beside the tools that use it: `qpk try` finds it as bench/
# beside its own binary, here a link to the source tree's bench/, after
# `cmake --install` in <prefix>/share/quorin-setup/ (see below).
file(CREATE_LINK ${CMAKE_SOURCE_DIR}/bench ${CMAKE_BINARY_DIR}/bench SYMBOLIC)

# Tools for people who prepare a medium: every tools/<name>/*.cpp is one program.
file(GLOB QS_TOOL_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tools/*)
foreach(dir ${QS_TOOL_DIRS})
  if(IS_DIRECTORY ${dir})
    get_filename_component(name ${dir} NAME)
    file(GLOB tool_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(tool_sources)
      add_executable(${name} ${tool_sources})
      target_compile_options(${name} PRIVATE ${QS_CHARSET_FLAGS} ${QS_WARNING_FLAGS})
      target_link_libraries(${name} PRIVATE medium_rules setup_rules)
    endif()
  endif()
endforeach()

# End-to-end scenarios under Wine; they need the Windows builds beside this one.
option(QS_E2E "Register the Wine end-to-end scenarios" ON)
set(QS_BUILD_ROOT ${CMAKE_BINARY_DIR}/.. CACHE PATH "Folder holding the win64 build")
if(QS_E2E)
  set(QS_RUNNER ${CMAKE_SOURCE_DIR}/bench/run.py)
  add_test(NAME e2e.prefix COMMAND ${Python3_EXECUTABLE} ${QS_RUNNER} --build ${QS_BUILD_ROOT} --prefix-only)
  set_tests_properties(e2e.prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
  file(GLOB_RECURSE QS_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/scenarios/*.scn)
  foreach(scn ${QS_SCENARIOS})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests/e2e/scenarios ${scn})
    string(REGEX REPLACE "\\.scn$" "" rel ${rel})
    string(REPLACE "/" "." rel ${rel})
    add_test(NAME e2e.${rel} COMMAND ${Python3_EXECUTABLE} ${QS_RUNNER} --build ${QS_BUILD_ROOT} ${scn})
    # A scenario that sets its own robot time limit ("timeout N" under
    # "=== options") gets that much more room here, for its preparation and
    # checks on a busy machine; the limits are last resorts.
    file(STRINGS ${scn} scn_timeout REGEX "^timeout [0-9]+$")
    set(ctest_timeout 240)
    if(scn_timeout)
      string(REGEX REPLACE "^timeout " "" scn_timeout "${scn_timeout}")
      math(EXPR ctest_timeout "${scn_timeout} + 240")
    endif()
    set_tests_properties(e2e.${rel} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT ${ctest_timeout} LABELS e2e)
  endforeach()
  # The shipped program is the 32-bit build; the x86_64 build is what the bench
  # falls back on where 32-bit programs cannot run, so a smaller run keeps it
  # honest: the sequence's spine, the shared files (the folders that differ
  # between the two), the DLLs it loads and from where, and the sample medium.
  # They run as on a machine without 32-bit support (--fallback), and are
  # skipped where the scenarios above already run the x86_64 build.
  file(GLOB QS_X64_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/scenarios/spine/*.scn
       ${CMAKE_SOURCE_DIR}/tests/e2e/scenarios/shared/*.scn ${CMAKE_SOURCE_DIR}/tests/e2e/scenarios/dlls/*.scn
       ${CMAKE_SOURCE_DIR}/tests/e2e/scenarios/security/*.scn)
  list(APPEND QS_X64_SCENARIOS ${CMAKE_SOURCE_DIR}/samples/demo.scn)
  foreach(scn ${QS_X64_SCENARIOS})
    get_filename_component(dir ${scn} DIRECTORY)
    get_filename_component(dir ${dir} NAME)
    get_filename_component(name ${scn} NAME_WE)
    add_test(NAME e2e.x64.${dir}.${name} COMMAND ${Python3_EXECUTABLE} ${QS_RUNNER} --build ${QS_BUILD_ROOT}
             --fallback ${scn})
    set_tests_properties(e2e.x64.${dir}.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 240 LABELS e2e
                         SKIP_RETURN_CODE 77)
  endforeach()
endif()

# The speed bench's harness on a package of a few files: every copy checked.
if(QS_E2E)
  add_test(NAME e2e.bench_smoke COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/bench/bench.py
           --build ${QS_BUILD_ROOT} --smoke)
  set_tests_properties(e2e.bench_smoke PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 LABELS e2e)
endif()

# The release artefacts themselves (executable kind, imports, resources).
add_test(NAME artefacts COMMAND ${CMAKE_SOURCE_DIR}/tests/check_artefacts.sh ${QS_BUILD_ROOT})
add_test(NAME dialogs COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/check_dialogs.py
         ${QS_BUILD_ROOT}/win32/Setup.exe ${QS_BUILD_ROOT}/win64/Setup.exe)

# What `qpk try` derives from a plan and reads back from Wine's trace.
add_test(NAME try_medium COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/try_medium_test.py)

# The Wine fuzzer's own decisions: mutations, places, classes, order.
add_test(NAME fuzz_wine_rules COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/fuzz_wine_test.py)

# qpk check on media with one known defect each (tests/qpk/media/<defect>/expected).
file(GLOB QS_QPK_MEDIA LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/qpk/media/*)
foreach(medium ${QS_QPK_MEDIA})
  if(IS_DIRECTORY ${medium})
    get_filename_component(name ${medium} NAME)
    add_test(NAME qpk.check.${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/qpk/check_medium.sh $<TARGET_FILE:qpk> ${medium})
  endif()
endforeach()

# qpk convert: the clean medium's script in each UTF-8 form converted back to
# what ships, then checked clean; what is refused or left alone.
add_test(NAME qpk.convert COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/qpk/check_convert.py
         $<TARGET_FILE:qpk> ${CMAKE_SOURCE_DIR}/tests/qpk/media/clean)

# qpk iso: the sample medium made into a disc image and read back by readers
# that share nothing with xorriso, every file and name compared; the refusals.
# e2e.iso.install installs the image's Joliet tree as a CD with `qpk try`.
add_test(NAME qpk.iso COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/iso/check_iso.py --qpk $<TARGET_FILE:qpk>
         --build ${QS_BUILD_ROOT} --source ${CMAKE_SOURCE_DIR})
set_tests_properties(qpk.iso PROPERTIES TIMEOUT 120)
if(QS_E2E)
  add_test(NAME e2e.iso.install COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/iso/check_iso.py
           --qpk $<TARGET_FILE:qpk> --build ${QS_BUILD_ROOT} --source ${CMAKE_SOURCE_DIR} --install)
  set_tests_properties(e2e.iso.install PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 LABELS e2e
                       SKIP_RETURN_CODE 77)
  # The same disc where 32-bit programs cannot run: qpk try puts the x86_64
  # build in place of the disc's PE32 and says so.
  add_test(NAME e2e.x64.iso.install COMMAND ${Python3_EXECUTABLE} ${QS_RUNNER} --build ${QS_BUILD_ROOT} --fallback
           --exec ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/iso/check_iso.py --qpk $<TARGET_FILE:qpk>
           --build ${QS_BUILD_ROOT} --source ${CMAKE_SOURCE_DIR} --install)
  set_tests_properties(e2e.x64.iso.install PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 LABELS e2e
                       SKIP_RETURN_CODE 77)
endif()

# The example media of docs/: qpk check gives the status and the findings the
# documentation quotes (docs/examples/<example>.expected).
file(GLOB QS_DOC_EXPECTED ${CMAKE_SOURCE_DIR}/docs/examples/*.expected)
foreach(expected ${QS_DOC_EXPECTED})
  get_filename_component(name ${expected} NAME_WE)
  add_test(NAME qpk.docs.${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/qpk/check_medium.sh $<TARGET_FILE:qpk>
           ${CMAKE_SOURCE_DIR}/docs/examples/${name} ${expected})
endforeach()

# The main job's sample medium, installed as `make demo` installs it.
if(QS_E2E)
  add_test(NAME e2e.demo COMMAND ${Python3_EXECUTABLE} ${QS_RUNNER} --build ${QS_BUILD_ROOT} ${CMAKE_SOURCE_DIR}/samples/demo.scn)
  set_tests_properties(e2e.demo PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 240 LABELS e2e)
  # `qpk try` on the sample medium and the examples of docs/ as they lie in
  # the tree, with no scenario: the run must be what `qpk plan` says; the
  # starlight example once more from the root of a CD-ROM drive.
  set(QS_TRY_MEDIA demo=samples/demo minimal=docs/examples/minimal mistakes=docs/examples/mistakes
      starlight=docs/examples/starlight)
  foreach(entry ${QS_TRY_MEDIA})
    string(REPLACE "=" ";" entry ${entry})
    list(GET entry 0 name)
    list(GET entry 1 folder)
    add_test(NAME e2e.try.${name} COMMAND $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/${folder})
    set_tests_properties(e2e.try.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 240 LABELS e2e)
  endforeach()
  add_test(NAME e2e.try.starlight_cdrom COMMAND $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/docs/examples/starlight --cdrom)
  # The case options: the player takes the start-page offer; an update medium
  # over an earlier installation, and refused on a clean machine.
  add_test(NAME e2e.try.demo_start_page COMMAND $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/samples/demo
           --answer start-page=yes)
  add_test(NAME e2e.try.update_installed COMMAND $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/tests/try/update
           --installed-version 9 --installed-path C:\\Games\\Quorin)
  add_test(NAME e2e.try.update_refused COMMAND $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/tests/try/update)
  # The update as players get it: the full medium installed first, the update
  # over it in the same prefix, each run held against its own plan; the
  # update's plan is the one for what the first run recorded (version 10 and
  # its folder, there).
  add_test(NAME e2e.try.after COMMAND ${CMAKE_SOURCE_DIR}/tests/try/expect.sh 0
           "Planned for: a machine with an earlier installation recorded (version 10, folder C:\\Games\\Quorin), the install folder exists"
           $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/tests/try/update --after ${CMAKE_SOURCE_DIR}/tests/try/full)
  # Pictures on a 640x480 screen, each named after its window, the copy dialog among them.
  add_test(NAME e2e.try.shots COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/try/check_shots.py
           $<TARGET_FILE:qpk> ${CMAKE_SOURCE_DIR}/samples/demo 640x480)
  # A folder typed into the dialog, with Korean names, as the links record them.
  add_test(NAME e2e.try.demo_korean_folder COMMAND $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/samples/demo
           --install-dir "C:\\Games\\쿼린 어드벤처")
  # A file whose name differs from the manifest's only in capitals (as Windows
  # finds it); a script in UTF-8 with a byte-order mark, which Wine reads
  # otherwise than Windows: the try warns and fails.
  add_test(NAME e2e.try.renamed COMMAND $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/tests/try/renamed)
  add_test(NAME e2e.try.utf8_bom COMMAND ${CMAKE_SOURCE_DIR}/tests/try/expect.sh 1 "WARNING: qpk check finds script-utf8"
           $<TARGET_FILE:qpk> try ${CMAKE_SOURCE_DIR}/tests/try/utf8-bom)
  set_tests_properties(e2e.try.starlight_cdrom e2e.try.demo_start_page e2e.try.update_installed e2e.try.update_refused
                       e2e.try.after e2e.try.shots
                       e2e.try.demo_korean_folder e2e.try.renamed e2e.try.utf8_bom
                       PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 240 LABELS e2e)
endif()

# What Windows reads from both builds before it runs them: the application
# manifest (read back with an XML parser) and the version resource, which
# carries the project's version.
add_test(NAME release_resources COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/check_release_resources.py
         ${PROJECT_VERSION} ${QS_BUILD_ROOT}/win32/Setup.exe ${QS_BUILD_ROOT}/win64/Setup.exe)

# make sign with a throwaway certificate: signed copies verify, a changed byte
# does not, and the signed program installs the sample medium under Wine.
if(QS_E2E)
  add_test(NAME e2e.sign COMMAND ${CMAKE_SOURCE_DIR}/tests/sign/check_signing.sh ${QS_BUILD_ROOT}
           ${CMAKE_SOURCE_DIR}/samples/demo.scn)
  set_tests_properties(e2e.sign PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 LABELS e2e)
endif()

# The plan against the program for every medium of the tree, in each case the
# plan's options express (bench/agree.py): one test per medium.
if(QS_E2E)
  file(GLOB QS_AGREE_MEDIA LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/samples/* ${CMAKE_SOURCE_DIR}/docs/examples/*
       ${CMAKE_SOURCE_DIR}/tests/qpk/media/* ${CMAKE_SOURCE_DIR}/tests/try/*)
  foreach(medium ${QS_AGREE_MEDIA})
    if(IS_DIRECTORY ${medium})
      get_filename_component(name ${medium} NAME)
      get_filename_component(group ${medium} DIRECTORY)
      get_filename_component(group ${group} NAME)
      add_test(NAME e2e.agree.${group}.${name} COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/agree.py
               --build ${QS_BUILD_ROOT} ${medium})
      set_tests_properties(e2e.agree.${group}.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 600 LABELS e2e)
    endif()
  endforeach()
endif()

# The whole program fuzzed under Wine, a short run (`make fuzz-wine` is the
# long one): mutated scripts and manifests of the tree's media, each run with
# the robot answering every window; a crash, a hang, a window loop or a write
# outside the script's places fails it.
if(QS_E2E)
  add_test(NAME e2e.fuzz_wine COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/fuzz_wine.py
           --build ${QS_BUILD_ROOT} --scripts 16 --manifests 8 --jobs 2 --out ${QS_BUILD_ROOT}/fuzz-wine-test)
  # Two runs at once, each in a prefix of its own: CTest counts it as two.
  set_tests_properties(e2e.fuzz_wine PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 900 LABELS e2e PROCESSORS 2)
endif()

# qpk installed into a fresh prefix tries a medium with what it installed.
if(QS_E2E)
  add_test(NAME e2e.install.try COMMAND ${CMAKE_SOURCE_DIR}/tests/install/check_install.sh ${QS_BUILD_ROOT}
           ${CMAKE_SOURCE_DIR})
  set_tests_properties(e2e.install.try PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 LABELS e2e)
endif()

# Every run of the bench in a prefix of its own, named after the test.
if(QS_E2E)
  get_property(QS_ALL_TESTS DIRECTORY PROPERTY TESTS)
  foreach(test ${QS_ALL_TESTS})
    if(test MATCHES "^e2e\\.")
      set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT QS_OWNER=${test})
    endif()
  endforeach()
endif()

# `cmake --install`: qpk in <prefix>/bin, and beside it in share/quorin-setup
# what `qpk try` needs to install a medium under Wine: the bench's scripts,
# and of both builds (made by `make build` beside this one) Setup.exe and the
# bench's Win32 helpers.
install(TARGETS qpk RUNTIME DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/bench/wine.py ${CMAKE_SOURCE_DIR}/bench/scenario.py
        ${CMAKE_SOURCE_DIR}/bench/plan.py ${CMAKE_SOURCE_DIR}/bench/transcript.py
        DESTINATION share/quorin-setup/bench)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/bench/try_medium.py ${CMAKE_SOURCE_DIR}/bench/run.py
        ${CMAKE_SOURCE_DIR}/bench/kernel32-probe.sh DESTINATION share/quorin-setup/bench)
foreach(arch win32 win64)
  install(FILES ${QS_BUILD_ROOT}/${arch}/Setup.exe DESTINATION share/quorin-setup/${arch})
  install(DIRECTORY ${QS_BUILD_ROOT}/${arch}/bench/ DESTINATION share/quorin-setup/${arch}/bench)
endforeach()

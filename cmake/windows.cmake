# Setup.exe and the Wine test bench's own Win32 helpers.
enable_language(RC)

file(GLOB QS_STEP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*/*.cpp)
list(FILTER QS_STEP_SOURCES EXCLUDE REGEX "_rules\\.cpp$")
list(FILTER QS_STEP_SOURCES EXCLUDE REGEX "/src/(medium|stages)/")

# The resource script is kept in UTF-8; windres gets it in CP949.
set(QS_RC_CP949 ${CMAKE_BINARY_DIR}/setup_cp949.rc)
add_custom_command(
  OUTPUT ${QS_RC_CP949}
  COMMAND iconv -f UTF-8 -t CP949 ${CMAKE_SOURCE_DIR}/res/setup.rc -o ${QS_RC_CP949}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/setup.rc
  COMMENT "Converting the resource script to CP949")
set_source_files_properties(${QS_RC_CP949} PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/resource.h;${CMAKE_SOURCE_DIR}/res/setup.ico")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 949 -I${CMAKE_SOURCE_DIR}/res")

set(QS_WIN_LINK -static -static-libgcc -static-libstdc++ -mwindows -s)
# Only DLLs that Windows keeps in its known-DLL set, which it never looks for
# beside the program: the version API and the common controls are loaded from
# the system folder at run time (src/common/system_libraries.cpp), and
# tests/check_artefacts.sh fails on any other import.
set(QS_WIN_LIBS ole32 oleaut32 uuid shell32 advapi32 gdi32 user32 kernel32)

add_executable(Setup WIN32 ${QS_STEP_SOURCES} ${QS_RC_CP949})
target_include_directories(Setup PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/res)
target_compile_definitions(Setup PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
target_compile_options(Setup PRIVATE ${QS_CHARSET_FLAGS} ${QS_WARNING_FLAGS})
target_link_options(Setup PRIVATE ${QS_WIN_LINK})
target_link_libraries(Setup PRIVATE setup_rules ${QS_WIN_LIBS})
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# ---- What Windows reads before the program runs: the application manifest
# (res/manifest.rc, res/setup.manifest) and the version resource
# (res/version.rc, in UTF-8 like setup.rc), with the project's version.
set(QS_VERSION_RC_CP949 ${CMAKE_BINARY_DIR}/version_cp949.rc)
add_custom_command(
  OUTPUT ${QS_VERSION_RC_CP949}
  COMMAND iconv -f UTF-8 -t CP949 ${CMAKE_SOURCE_DIR}/res/version.rc -o ${QS_VERSION_RC_CP949}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/version.rc
  COMMENT "Converting the version resource to CP949")
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/manifest.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/res/setup.manifest)
target_sources(Setup PRIVATE ${CMAKE_SOURCE_DIR}/res/manifest.rc ${QS_VERSION_RC_CP949})
target_compile_definitions(Setup PRIVATE
  QS_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} QS_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  QS_VERSION_PATCH=${PROJECT_VERSION_PATCH} QS_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})

# ---- Size: one section per function and per datum, so that the linker keeps
# only what is reached; no exception tables (the program catches nothing, and
# src/shell/runtime.cpp keeps the runtime's exception machinery out). The
# 32-bit build's unwind tables serve only exceptions; the x86_64 build keeps
# its own, which Windows needs to walk its stack.
set(QS_SIZE_FLAGS -ffunction-sections -fdata-sections -fno-exceptions)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  list(APPEND QS_SIZE_FLAGS -fno-asynchronous-unwind-tables)
endif()
target_compile_options(Setup PRIVATE ${QS_SIZE_FLAGS})
target_compile_options(setup_rules PRIVATE ${QS_SIZE_FLAGS})
target_link_options(Setup PRIVATE -Wl,--gc-sections)

# The Wine bench's Win32 helpers (robot, timers, recorders, lock holders ...):
# every bench/robot/*.cpp is one console program of the same name. They find
# the program's windows by its resource ids (res/resource.h) and may use the
# program's own constants (src/).
file(GLOB QS_BENCH_TOOLS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/robot/*.cpp)
foreach(src ${QS_BENCH_TOOLS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE -finput-charset=UTF-8 ${QS_WARNING_FLAGS})
  target_compile_definitions(${name} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  target_link_libraries(${name} PRIVATE ${QS_WIN_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endforeach()

include(${CMAKE_SOURCE_DIR}/cmake/fixtures.cmake)

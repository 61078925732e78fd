# MinGW cross build: the real Pacelark.dll, the stand-in ScriptHookFRTR.dll,
# a host program, and end-to-end tests that run under Wine.
set(PLK_BIN ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PLK_BIN})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PLK_BIN})
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

# Ship no MinGW runtime DLLs: everything of the toolchain is linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_options(-Wall -Wextra)
# No path of the build machine in what ships (__FILE__ included).
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>)

# Import library for the decorated script hook names, under plain aliases.
set(PLK_SH_IMPLIB ${CMAKE_BINARY_DIR}/lib/libscripthook_imports.a)
add_custom_command(OUTPUT ${PLK_SH_IMPLIB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND x86_64-w64-mingw32-dlltool -d ${PROJECT_SOURCE_DIR}/host/scripthook_imports.def
            -D ScriptHookFRTR.dll -l ${PLK_SH_IMPLIB}
    DEPENDS ${PROJECT_SOURCE_DIR}/host/scripthook_imports.def
    COMMENT "Import library for ScriptHookFRTR.dll")
add_custom_target(plk_scripthook_imports DEPENDS ${PLK_SH_IMPLIB})

# The version resource players see in the file's properties.
enable_language(RC)
configure_file(${PROJECT_SOURCE_DIR}/host/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)
add_library(Pacelark SHARED ${PLK_PLUGIN_SOURCES} ${PROJECT_SOURCE_DIR}/host/unload_win32.cpp
    ${CMAKE_BINARY_DIR}/version.rc)
set_target_properties(Pacelark PROPERTIES PREFIX "" OUTPUT_NAME Pacelark)
target_include_directories(Pacelark PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(Pacelark plk_scripthook_imports)
# No exports of our own: without this MinGW exports every symbol.
# --no-insert-timestamp: the same bytes from every build of one commit (the
# link time would go into the file header and the export directory).
# The link map names the runtime archives and objects linked in: the release's
# third-party notices are made from it. It does not change the DLL's bytes.
set(PLK_DLL_MAP ${CMAKE_BINARY_DIR}/Pacelark.map)
target_link_options(Pacelark PRIVATE -Wl,--exclude-all-symbols -s -Wl,--no-insert-timestamp
    -Wl,-Map=${PLK_DLL_MAP})
set_property(TARGET Pacelark APPEND PROPERTY ADDITIONAL_CLEAN_FILES ${PLK_DLL_MAP})
target_link_libraries(Pacelark PRIVATE ${PLK_SH_IMPLIB} kernel32)

add_library(ScriptHookFRTR SHARED ${PLK_STANDIN_SOURCES}
    ${PROJECT_SOURCE_DIR}/standin/script_context_win32.cpp
    ${PROJECT_SOURCE_DIR}/standin/iat_win32.cpp
    ${PROJECT_SOURCE_DIR}/standin/ScriptHookFRTR.def)
set_target_properties(ScriptHookFRTR PROPERTIES PREFIX "" OUTPUT_NAME ScriptHookFRTR)
target_include_directories(ScriptHookFRTR PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(ScriptHookFRTR PRIVATE PLK_BUILDING_STANDIN)

# GoogleTest for Windows, from the Debian source package.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

file(GLOB PLK_E2E_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.cpp)
add_executable(plk_e2e_tests ${PLK_E2E_TESTS} ${PROJECT_SOURCE_DIR}/hud/label_format.cpp
    ${PROJECT_SOURCE_DIR}/config/numbers.cpp)
target_link_libraries(plk_e2e_tests PRIVATE ScriptHookFRTR gtest_main gmock version)
target_compile_definitions(plk_e2e_tests PRIVATE PLK_PROJECT_VERSION="${PROJECT_VERSION}"
    PLK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(plk_e2e_tests Pacelark)
gtest_discover_tests(plk_e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${PLK_BIN})

add_test(NAME dll_tables
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/check_dll_tables.sh $<TARGET_FILE:Pacelark>)

# Windows parts of the tools and the load benchmarks live with them.
foreach(sub tools bench)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${sub}/windows.cmake)
        include(${PROJECT_SOURCE_DIR}/${sub}/windows.cmake)
    endif()
endforeach()

# A notice copy that cannot be obtained ends the process: run in a process of its own.
add_executable(plk_alloc_fail ${PROJECT_SOURCE_DIR}/tests/e2e/programs/alloc_fail_main.cpp)
target_link_libraries(plk_alloc_fail PRIVATE ScriptHookFRTR)
add_dependencies(plk_alloc_fail Pacelark)
add_test(NAME alloc_failure_exits
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/alloc_fail_check.sh
            ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${PLK_BIN})

# Programs, not tests: the number table's generator (its output under Wine is
# tests/data/number_reference.txt) and the long check of the number parse and
# the label formatter against this runtime.
add_executable(plk_number_probe ${PROJECT_SOURCE_DIR}/tests/numbers/number_probe.cpp)
add_executable(plk_float_check ${PROJECT_SOURCE_DIR}/tests/numbers/float_check.cpp
    ${PROJECT_SOURCE_DIR}/config/numbers.cpp ${PROJECT_SOURCE_DIR}/hud/label_format.cpp)
target_include_directories(plk_number_probe PRIVATE ${PROJECT_SOURCE_DIR})
target_include_directories(plk_float_check PRIVATE ${PROJECT_SOURCE_DIR})

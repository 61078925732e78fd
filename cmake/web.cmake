# The settings page: the plug-in, the stand-in without a script thread, the
# tools' library and the page's entry points, compiled to WebAssembly and
# written with the page's script into one self-contained HTML file.
# No exception is caught in the page: what the page's code refuses it returns
# as a value, and a throw ends the engine, which the page reports. So the
# compiler emits no unwinding blocks at all: clang 14's WebAssembly backend
# orders the ones it adds for native exceptions by heap address, which made
# the objects differ from run to run, and the JavaScript emulation routes
# every call that may throw through JavaScript (a check twice as slow).
# Source paths are mapped out, so any folder gives the same bytes.
add_compile_options(-Wall -Wextra -sDISABLE_EXCEPTION_CATCHING=1 -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)

include(${PROJECT_SOURCE_DIR}/cmake/tools-sources.cmake)
add_executable(plk_page
    ${PLK_PLUGIN_SOURCES}
    ${PLK_INI_WALK_SOURCES}
    ${PLK_STANDIN_SOURCES}
    ${PROJECT_SOURCE_DIR}/standin/script_context_none.cpp
    ${PLK_TOOLS_SESSION_SOURCES}
    ${PLK_TOOLS_CHECK_SOURCES}
    ${PROJECT_SOURCE_DIR}/tools/page/page_api.cpp
    # The Try panel: a live session, recorded as a scenario.
    ${PROJECT_SOURCE_DIR}/tools/page/try_api.cpp)
target_include_directories(plk_page PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(plk_page PRIVATE plk_messages)
# The script calls the engine through Embind's bindings (page_api.cpp,
# try_api.cpp). Nothing is generated at run time: the page's
# Content-Security-Policy forbids it, and without DYNAMIC_EXECUTION=0 Embind
# would build its callers with new Function.
target_link_options(plk_page PRIVATE -lembind
    -sENVIRONMENT=web -sDYNAMIC_EXECUTION=0 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2GB
    -sDISABLE_EXCEPTION_CATCHING=1)
# The linker lists every object and archive member it takes (--trace), kept in
# a file beside the page: the release's third-party notices are made from it.
# It does not change the page's bytes.
set(PLK_PAGE_TRACE ${CMAKE_BINARY_DIR}/plk_page.trace)
target_link_options(plk_page PRIVATE -Wl,--trace)
get_target_property(_plk_link_launcher plk_page CXX_LINKER_LAUNCHER)
set_target_properties(plk_page PROPERTIES CXX_LINKER_LAUNCHER
    "${_plk_link_launcher};bash;${PROJECT_SOURCE_DIR}/cmake/stdout-to.sh;${PLK_PAGE_TRACE}")
set_property(TARGET plk_page APPEND PROPERTY ADDITIONAL_CLEAN_FILES ${PLK_PAGE_TRACE})

find_program(PLK_NODE node REQUIRED)
find_program(PLK_ESBUILD esbuild REQUIRED)
set(PLK_PAGE ${CMAKE_BINARY_DIR}/Pacelark-settings.html)
set(PLK_PAGE_DIR ${PROJECT_SOURCE_DIR}/tools/page)
# The page's script: ES modules from main.js on, bundled into one inline script.
file(GLOB PLK_PAGE_SCRIPTS CONFIGURE_DEPENDS ${PLK_PAGE_DIR}/*.js)
list(REMOVE_ITEM PLK_PAGE_SCRIPTS ${PLK_PAGE_DIR}/build-page.js)
# The lines shown before the engine runs come from the catalogs too
# (tools/lang/message.sh, with Debian's gettext).
file(GLOB PLK_PAGE_CATALOGS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/lang/*.pot ${PROJECT_SOURCE_DIR}/tools/lang/*.po
    ${PROJECT_SOURCE_DIR}/tools/lang/*.sh)
add_custom_command(OUTPUT ${PLK_PAGE}
    COMMAND ${PLK_NODE} ${PLK_PAGE_DIR}/build-page.js
        --template ${PLK_PAGE_DIR}/page.html --entry ${PLK_PAGE_DIR}/main.js --esbuild ${PLK_ESBUILD}
        --runtime $<TARGET_FILE:plk_page>
        --wasm $<TARGET_FILE_DIR:plk_page>/$<TARGET_FILE_BASE_NAME:plk_page>.wasm
        --sample ${PROJECT_SOURCE_DIR}/config/Pacelark.ini --lang ${PROJECT_SOURCE_DIR}/tools/lang
        --version ${PROJECT_VERSION} --out ${PLK_PAGE}
    DEPENDS plk_page ${PLK_PAGE_DIR}/build-page.js ${PLK_PAGE_DIR}/page.html ${PLK_PAGE_SCRIPTS}
        ${PROJECT_SOURCE_DIR}/config/Pacelark.ini ${PLK_PAGE_CATALOGS}
    VERBATIM)
add_custom_target(settings_page ALL DEPENDS ${PLK_PAGE})

# The page in real browsers, against pacelark-sim of the native build, both
# in English whatever the environment's language.
set(PLK_PAGE_TEST_ENV
    NODE_MODULES=${CMAKE_BINARY_DIR}/node/node_modules
    PLK_SIM=${PROJECT_SOURCE_DIR}/build/linux/tools/pacelark-sim
    LANGUAGE= LC_ALL=C.UTF-8)
add_test(NAME page_chromium COMMAND ${PLK_NODE} ${PROJECT_SOURCE_DIR}/tests/page/page_test.js
    --page ${PLK_PAGE} --out ${CMAKE_BINARY_DIR}/test-chromium --browser chrome)
add_test(NAME page_firefox_smoke COMMAND ${PLK_NODE} ${PROJECT_SOURCE_DIR}/tests/page/page_test.js
    --page ${PLK_PAGE} --out ${CMAKE_BINARY_DIR}/test-firefox --browser firefox)
set_tests_properties(page_chromium page_firefox_smoke PROPERTIES
    ENVIRONMENT "${PLK_PAGE_TEST_ENV}" TIMEOUT 300 LABELS browser)
# The Try panel, live, against pacelark-sim run.
add_test(NAME try_chromium COMMAND ${PLK_NODE} ${PROJECT_SOURCE_DIR}/tests/page/try_test.js
    --page ${PLK_PAGE} --out ${CMAKE_BINARY_DIR}/test-try)
set_tests_properties(try_chromium PROPERTIES ENVIRONMENT "${PLK_PAGE_TEST_ENV}" TIMEOUT 300 LABELS browser)

# The page in the pseudo-language and German: no English word of its own
# left, no text out of its box, axe-core clean; the language menu.
add_test(NAME page_languages COMMAND ${PLK_NODE} ${PROJECT_SOURCE_DIR}/tests/page/lang_test.js
    --page ${PLK_PAGE} --out ${CMAKE_BINARY_DIR}/test-languages)
set_tests_properties(page_languages PROPERTIES ENVIRONMENT "${PLK_PAGE_TEST_ENV}" TIMEOUT 300 LABELS browser)

# ESLint over the page's script, its tests and benchmarks: unknown names and
# unused variables or imports fail (node_modules from `make node-modules`).
add_test(NAME page_lint COMMAND ${PLK_NODE} ${CMAKE_BINARY_DIR}/node/node_modules/eslint/bin/eslint.js
    --config tests/page/eslint.config.cjs --max-warnings 0 tools/page tests/page bench
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(page_lint PROPERTIES ENVIRONMENT "NODE_PATH=${CMAKE_BINARY_DIR}/node/node_modules" TIMEOUT 120)

# The number table through this build's parses and labels, under node.
add_executable(plk_number_table ${PROJECT_SOURCE_DIR}/tests/numbers/table_main.cpp
    ${PROJECT_SOURCE_DIR}/config/numbers.cpp ${PROJECT_SOURCE_DIR}/hud/label_format.cpp)
target_include_directories(plk_number_table PRIVATE ${PROJECT_SOURCE_DIR})
target_link_options(plk_number_table PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sSINGLE_FILE=1)
add_test(NAME page_number_table COMMAND ${PLK_NODE} $<TARGET_FILE:plk_number_table>
    ${PROJECT_SOURCE_DIR}/tests/data/number_reference.txt)

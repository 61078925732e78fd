# The Windows host: loads the real DLL, over the tools' portable library.
set(PLK_TOOLS_DIR ${PROJECT_SOURCE_DIR}/tools)
include(${PROJECT_SOURCE_DIR}/cmake/tools-sources.cmake)
add_library(plk_tools_portable STATIC ${PLK_TOOLS_SESSION_SOURCES} ${PLK_TOOLS_RUN_SOURCES})
target_include_directories(plk_tools_portable PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(plk_tools_portable PUBLIC ScriptHookFRTR plk_messages)

add_executable(pacelark-host ${PLK_TOOLS_DIR}/host/host_main.cpp)
target_link_libraries(pacelark-host PRIVATE plk_tools_portable)
add_dependencies(pacelark-host Pacelark)

# The demo scenario runs under Wine and yields a table and the marked frames.
add_test(NAME host_runs_demo_scenario
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/host_check.sh
            ${PROJECT_SOURCE_DIR} $<TARGET_FILE_DIR:pacelark-host>)

# The release package holds what a player needs.
add_test(NAME dist_package
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/dist_check.sh
            ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION} $<TARGET_FILE:Pacelark>)

# The Windows host: loads the real DLL, over the tools' portable library.
set(PLK_TOOLS_DIR ${PROJECT_SOURCE_DIR}/tools)
add_library(plk_tools_portable STATIC
    ${PLK_TOOLS_DIR}/lib/keynames.cpp
    ${PLK_TOOLS_DIR}/lib/scenario_parse.cpp
    ${PLK_TOOLS_DIR}/lib/scenario_write.cpp
    ${PLK_TOOLS_DIR}/lib/frame_table.cpp
    ${PLK_TOOLS_DIR}/lib/frame_reader.cpp
    ${PLK_TOOLS_DIR}/lib/session.cpp
    ${PLK_TOOLS_DIR}/lib/command_line.cpp
    ${PLK_TOOLS_DIR}/lib/run_command.cpp
    ${PLK_TOOLS_DIR}/lib/drawlist.cpp
    ${PLK_TOOLS_DIR}/lib/files.cpp)
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

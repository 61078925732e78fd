# The Windows host runs scenarios: its program is the one in tools/, built
# with the portable half of the tools (the native pacelark-sim renders).
set(PLK_TOOLS_DIR ${PROJECT_SOURCE_DIR}/tools)
set_property(TARGET pacelark-host PROPERTY SOURCES
    ${PLK_TOOLS_DIR}/host_main.cpp
    ${PLK_TOOLS_DIR}/keynames.cpp
    ${PLK_TOOLS_DIR}/scenario.cpp
    ${PLK_TOOLS_DIR}/session.cpp
    ${PLK_TOOLS_DIR}/drawlist.cpp
    ${PLK_TOOLS_DIR}/files.cpp)

# The demo scenario runs under Wine and yields a table and the marked frames.
add_test(NAME host_runs_demo_scenario
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/host_check.sh
            ${PROJECT_SOURCE_DIR} $<TARGET_FILE_DIR:pacelark-host>)

# The release package holds what a player needs.
add_test(NAME dist_package
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/dist_check.sh
            ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION} $<TARGET_FILE:Pacelark>)

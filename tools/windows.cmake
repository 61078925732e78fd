# The demo scenario runs under Wine and yields a table and the marked frames.
add_test(NAME host_runs_demo_scenario
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/host_check.sh
            ${PROJECT_SOURCE_DIR} $<TARGET_FILE_DIR:pacelark-host>)

# The release package holds what a player needs.
add_test(NAME dist_package
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/dist_check.sh
            ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION} $<TARGET_FILE:Pacelark>)

# The tools' library sources, named once for the three builds that take
# them: the native tools (tools/CMakeLists.txt), the Windows host
# (tools/windows.cmake) and the settings page (cmake/web.cmake).
set(_plk_lib ${PROJECT_SOURCE_DIR}/tools/lib)

# Scenarios, sessions and frame tables: every build.
set(PLK_TOOLS_SESSION_SOURCES
    ${_plk_lib}/keynames.cpp
    ${_plk_lib}/scenario_parse.cpp
    ${_plk_lib}/scenario_write.cpp
    ${_plk_lib}/frame_table.cpp
    ${_plk_lib}/frame_reader.cpp
    ${_plk_lib}/session.cpp
    ${_plk_lib}/files.cpp)

# The run command: the command lines, native and Windows.
set(PLK_TOOLS_RUN_SOURCES
    ${_plk_lib}/command_line.cpp
    ${_plk_lib}/run_command.cpp
    ${_plk_lib}/drawlist.cpp)

# The checker, the editor and the preview: they need the plug-in linked in,
# so the Windows host, which loads the real DLL, goes without.
set(PLK_TOOLS_CHECK_SOURCES
    ${_plk_lib}/check_findings.cpp
    ${_plk_lib}/check_gather.cpp
    ${_plk_lib}/check_report.cpp
    ${_plk_lib}/descriptions.cpp
    ${_plk_lib}/float_text.cpp
    ${_plk_lib}/ini_edit.cpp
    ${_plk_lib}/native_plugin.cpp
    ${_plk_lib}/preview.cpp
    ${_plk_lib}/quick_edit.cpp)

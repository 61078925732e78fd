# Under Wine: the time of load and unload cycles of the real DLL.
add_executable(plk_load_cycles ${PROJECT_SOURCE_DIR}/bench/load_cycles_main.cpp)
target_link_libraries(plk_load_cycles PRIVATE ScriptHookFRTR)
add_dependencies(plk_load_cycles Pacelark)

# fake-agent: serves a folder of JSON answers on the agent's socket (demo, process tests).
add_executable(fake-agent ${CMAKE_CURRENT_SOURCE_DIR}/fake_agent_main.cpp)
target_link_libraries(fake-agent PRIVATE TestSupport)
quillmarsh_warnings(fake-agent)
# update-marker: the executable of the updater tests' fake bundles; records that it was started.
add_executable(update-marker ${CMAKE_CURRENT_SOURCE_DIR}/update_marker_main.cpp)
quillmarsh_warnings(update-marker)

# The agent client's parsing (plain std and BSD sockets, no Qt) for its two fuzzers.
set(agent_client_sources
  ${PROJECT_SOURCE_DIR}/Sources/QuillmarshMenuBar/AgentClient.cpp
  ${PROJECT_SOURCE_DIR}/Sources/QuillmarshMenuBar/AgentError.cpp)
foreach(target fuzz-agent_parse fuzz-agent_dechunk)
  if(TARGET ${target})
    target_sources(${target} PRIVATE ${agent_client_sources})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/Sources/QuillmarshMenuBar)
  endif()
endforeach()

# scripts/fuzz runs the fuzzers from this folder's build directory; keep them there rather than
# in the common bin folder.
get_directory_property(fuzz_targets BUILDSYSTEM_TARGETS)
foreach(target ${fuzz_targets})
  if(target MATCHES "^fuzz-")
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
endforeach()

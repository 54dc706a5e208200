# bench-agentclient: the agent client and the in-process fake agent, without Qt.
if(TARGET bench-agentclient)
  target_sources(bench-agentclient PRIVATE
    ${PROJECT_SOURCE_DIR}/Sources/QuillmarshMenuBar/AgentClient.cpp
    ${PROJECT_SOURCE_DIR}/Sources/QuillmarshMenuBar/AgentError.cpp
    ${PROJECT_SOURCE_DIR}/Tests/Support/FakeAgent.cpp)
  target_include_directories(bench-agentclient PRIVATE
    ${PROJECT_SOURCE_DIR}/Sources/QuillmarshMenuBar ${PROJECT_SOURCE_DIR}/Tests/Support)
endif()

# bench-appmodel: the app model (Qt) against the in-process fake agent.
if(TARGET bench-appmodel)
  target_sources(bench-appmodel PRIVATE ${PROJECT_SOURCE_DIR}/Tests/Support/FakeAgent.cpp)
  target_include_directories(bench-appmodel PRIVATE ${PROJECT_SOURCE_DIR}/Tests/Support)
  target_link_libraries(bench-appmodel PRIVATE QuillmarshMenuBarLib)
endif()

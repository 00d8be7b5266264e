# Valid uploads per second against the score server on loopback, with the
# median and 99th-percentile latency, beside its 404 answer.
add_executable(server_bench ${CMAKE_CURRENT_LIST_DIR}/server_bench.cpp
  ${PROJECT_SOURCE_DIR}/tests/server/server_process.cpp)
target_link_libraries(server_bench PRIVATE pellorin_score_server pellorin_server_test_client)
target_include_directories(server_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/server)
pellorin_runs_server_program(server_bench)

# Valid uploads per second against the score server on loopback, with the
# median and 99th-percentile latency, beside its 404 answer.
add_executable(server_bench ${CMAKE_CURRENT_LIST_DIR}/server_bench.cpp)
target_link_libraries(server_bench PRIVATE pellorin_score_server pellorin_http_client)

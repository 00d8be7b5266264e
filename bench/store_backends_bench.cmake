# Durable uploads per second on SQLite and on PostgreSQL with one and with
# three server instances, through the real program; needs PostgreSQL's
# server binaries (Debian's postgresql).
if(PELLORIN_PG_BINDIR)
  add_executable(store_backends_bench ${CMAKE_CURRENT_LIST_DIR}/store_backends_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/server/server_instances.cpp ${PROJECT_SOURCE_DIR}/tests/server/test_postgres.cpp)
  target_include_directories(store_backends_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/server)
  target_link_libraries(store_backends_bench PRIVATE pellorin_score_server pellorin_server_test_client)
  pellorin_runs_server_program(store_backends_bench)
  pellorin_runs_private_postgres(store_backends_bench)
endif()

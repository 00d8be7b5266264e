# Durable uploads per second on SQLite and on PostgreSQL with one and with
# three server instances, through the real program; needs PostgreSQL's
# server binaries (Debian's postgresql).
file(GLOB PELLORIN_BENCH_INITDB /usr/lib/postgresql/*/bin/initdb)
find_program(PELLORIN_BENCH_INITDB_PROGRAM NAMES initdb HINTS ${PELLORIN_BENCH_INITDB})
if(PELLORIN_BENCH_INITDB_PROGRAM)
  get_filename_component(PELLORIN_BENCH_PG_BINDIR ${PELLORIN_BENCH_INITDB_PROGRAM} DIRECTORY)
  add_executable(store_backends_bench ${CMAKE_CURRENT_LIST_DIR}/store_backends_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/server/server_instances.cpp ${PROJECT_SOURCE_DIR}/tests/server/test_postgres.cpp)
  target_include_directories(store_backends_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/server)
  target_compile_definitions(store_backends_bench PRIVATE PELLORIN_PG_BINDIR="${PELLORIN_BENCH_PG_BINDIR}"
    PELLORIN_SERVER_PROGRAM="$<TARGET_FILE:pellorin-score-server>")
  target_link_libraries(store_backends_bench PRIVATE pellorin_score_server pellorin_server_test_client)
  add_dependencies(store_backends_bench pellorin-score-server)
endif()

# For the suites and benchmarks that run the real score server program, and
# for those that start a private PostgreSQL server from Debian's server
# binaries (beside initdb, which PELLORIN_PG_BINDIR names when found).
function(pellorin_runs_server_program target)
  target_compile_definitions(${target} PRIVATE PELLORIN_SERVER_PROGRAM="$<TARGET_FILE:pellorin-score-server>")
  add_dependencies(${target} pellorin-score-server)
endfunction()

file(GLOB PELLORIN_PG_INITDB_FOUND /usr/lib/postgresql/*/bin/initdb)
find_program(PELLORIN_INITDB NAMES initdb HINTS ${PELLORIN_PG_INITDB_FOUND})
if(PELLORIN_INITDB)
  get_filename_component(PELLORIN_PG_BINDIR ${PELLORIN_INITDB} DIRECTORY)
endif()

function(pellorin_runs_private_postgres target)
  target_compile_definitions(${target} PRIVATE PELLORIN_PG_BINDIR="${PELLORIN_PG_BINDIR}")
endfunction()

# The rules core: masks, fit test, row removal and whole simulated games.
find_package(benchmark REQUIRED)
add_executable(core_bench ${CMAKE_CURRENT_LIST_DIR}/core_bench.cpp)
target_link_libraries(core_bench PRIVATE pellorin_game pellorin_shell_fakes benchmark::benchmark)

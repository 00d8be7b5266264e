add_wine_test(command_maps_test command_maps_test.cpp ${PROJECT_SOURCE_DIR}/app/command_maps.cpp)

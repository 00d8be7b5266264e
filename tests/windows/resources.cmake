# The program's resources, linked into the test exe and loaded from it.
add_wine_test(resources_test ${CMAKE_CURRENT_LIST_DIR}/resources.cpp
  LIBS pellorin_resources gdi32 user32)

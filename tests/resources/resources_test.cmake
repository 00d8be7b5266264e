# The program's resources, linked into the test exe and loaded from it.
add_wine_test(resources_test resources_test.cpp
  LIBS pellorin_resources gdi32 user32)

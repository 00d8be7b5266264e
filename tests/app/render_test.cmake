add_wine_test(render_test render_test.cpp LIBS pellorin_render pellorin_game pellorin_shell_fakes)
if(TARGET pellorin_resources)
  target_link_libraries(render_test PRIVATE pellorin_resources)
  target_compile_definitions(render_test PRIVATE HAVE_TILE_SHEET)
endif()
# The same suite without the bitmap resources: the tile sheet cannot load.
add_wine_test(render_without_tiles_test render_test.cpp LIBS pellorin_render pellorin_game pellorin_shell_fakes)

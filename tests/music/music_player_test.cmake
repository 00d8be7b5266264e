# The music player: with the real sound tracks, and in two programs whose
# track 102 is missing or is not a MIDI file.
set(music_test_variants
  # test name : resource variant
  "music_player_test:MUSIC_REAL_TRACKS"
  "music_player_missing_track_test:MUSIC_TRACK1_MISSING"
  "music_player_garbage_track_test:MUSIC_TRACK1_GARBAGE")
foreach(variant ${music_test_variants})
  string(REPLACE ":" ";" variant ${variant})
  list(GET variant 0 name)
  list(GET variant 1 flag)
  add_wine_test(${name} music_player_test.cpp music_player_test.rc LIBS pellorin_music user32)
  target_compile_definitions(${name} PRIVATE ${flag})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/resources)
endforeach()
set_source_files_properties(music_player_test.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/music_tracks.rc;${PROJECT_SOURCE_DIR}/resources/track0.mid;${PROJECT_SOURCE_DIR}/resources/track1.mid")

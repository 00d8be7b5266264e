# The high-score store and dialogs against the registry of a fresh prefix,
# with the dialogs driven from a second thread and the score service faked.
add_wine_test(highscore_dialogs_test highscore_dialogs_test.cpp
  ${PROJECT_SOURCE_DIR}/scores/highscore_store.cpp
  ${PROJECT_SOURCE_DIR}/scores/highscore_dialogs.cpp
  ${PROJECT_SOURCE_DIR}/resources/highscore_dialogs.rc
  LIBS pellorin_highscore_block pellorin_settings pellorin_shell_handles)

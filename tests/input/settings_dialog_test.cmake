# The dialog template is compiled into the test exe; RestartMusic is a
# recording fake inside the test.
add_wine_test(settings_dialog_test settings_dialog_test.cpp settings_dialog_test.rc
              LIBS pellorin_settings pellorin_settings_dialog pellorin_shell_handles)
target_include_directories(settings_dialog_test PRIVATE ${PROJECT_SOURCE_DIR}/resources)
set_source_files_properties(settings_dialog_test.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/settings_dialog.rc;${PROJECT_SOURCE_DIR}/resources/resource_ids.h;${PROJECT_SOURCE_DIR}/music/track_titles.h")

add_wine_test(score_service_test score_service_test.cpp ${PROJECT_SOURCE_DIR}/scores/score_service.cpp
  LIBS pellorin_settings pellorin_highscore_block wininet shell32 ws2_32)

add_wine_test(timer_service_test timer_service_test.cpp LIBS pellorin_timer)
# The service once more over a stand-in timeSetEvent and timeKillEvent in the
# test, which the service calls directly instead of through winmm's imports.
add_wine_test(timer_service_reuse_test timer_service_reuse_test.cpp ${PROJECT_SOURCE_DIR}/app/timer_service.cpp LIBS pellorin_message_sink winmm user32)
target_compile_definitions(timer_service_reuse_test PRIVATE _WINMM_)

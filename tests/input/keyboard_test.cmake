add_wine_test(keyboard_test keyboard_test.cpp LIBS pellorin_keyboard pellorin_settings)
# The reader once more over a stand-in DirectInput defined in the test, which
# the linker takes in place of dinput8's DirectInput8Create.
add_wine_test(keyboard_device_test keyboard_device_test.cpp ${PROJECT_SOURCE_DIR}/input/keyboard.cpp
              LIBS pellorin_settings dinput8 dxguid user32)

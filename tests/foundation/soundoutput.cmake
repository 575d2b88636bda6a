# The real sound output is played to a real sound server and recorded back.
add_executable(test_soundoutput test_soundoutput.cpp)
target_link_libraries(test_soundoutput PRIVATE testsupport foundation Qt6::Test)
add_test(NAME test_soundoutput
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-pulseaudio.sh $<TARGET_FILE:test_soundoutput>)
set_tests_properties(test_soundoutput PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;ASAN_OPTIONS=detect_leaks=0"
  TIMEOUT 120 RUN_SERIAL TRUE)

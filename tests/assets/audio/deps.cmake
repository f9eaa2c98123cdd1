# The audio test reads the effects and music built into the run folder, and
# checks the song reader and the loop encoder of the music tool directly.
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZV_RUN_DIR="${ZV_RUN_DIR}")
target_sources(${ZV_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/assets/tools/song_score.cpp
                                         ${CMAKE_SOURCE_DIR}/assets/tools/loop_mp3.cpp)
target_include_directories(${ZV_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/assets/tools)
target_link_libraries(${ZV_TEST_TARGET} PRIVATE ${ZV_MP3LAME_LIBRARY})
add_dependencies(${ZV_TEST_TARGET} audio)

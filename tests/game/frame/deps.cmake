# The game frame's tests link the game library.
target_link_libraries(${ZV_TEST_TARGET} PRIVATE velmora_game)

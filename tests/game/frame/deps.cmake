# The game frame's tests link the game library; the screen-helper test writes
# its pictures with the PNG and JPEG encoders.
target_link_libraries(${ZV_TEST_TARGET} PRIVATE velmora_game PNG::PNG JPEG::JPEG)

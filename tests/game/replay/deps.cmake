# The replay, score and menu tests link the game library and run velmora_headless.
add_dependencies(${ZV_TEST_TARGET} velmora_headless)
target_link_libraries(${ZV_TEST_TARGET} PRIVATE velmora_game)
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE VELMORA_HEADLESS="$<TARGET_FILE:velmora_headless>")

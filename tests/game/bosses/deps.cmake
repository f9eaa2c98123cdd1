# The boss tests link the game library and run the headless game.
target_link_libraries(${ZV_TEST_TARGET} PRIVATE velmora_game)
add_dependencies(${ZV_TEST_TARGET} velmora_headless)
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE VELMORA_HEADLESS="$<TARGET_FILE:velmora_headless>")

# The tool tests run zvdat.
add_dependencies(${ZV_TEST_TARGET} zvdat)
target_link_libraries(${ZV_TEST_TARGET} PRIVATE velmora_game)
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZVDAT_PATH="$<TARGET_FILE:zvdat>")

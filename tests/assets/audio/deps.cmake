# The audio test reads the effects and music built into the run folder.
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZV_RUN_DIR="${ZV_RUN_DIR}")
add_dependencies(${ZV_TEST_TARGET} audio)

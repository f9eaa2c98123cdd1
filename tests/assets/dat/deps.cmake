# The content checks read the sources of the game's scripts and tables.
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZV_DAT_SOURCE_DIR="${CMAKE_SOURCE_DIR}/assets/src/dat")

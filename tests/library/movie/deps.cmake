# The movie tests pack an archive with zvpack.
add_dependencies(${ZV_TEST_TARGET} zvpack)
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZVPACK_PATH="$<TARGET_FILE:zvpack>")

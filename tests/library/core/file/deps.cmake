# The file tests pack trees with zvpack and round-trip its LZ encoder in
# process.
add_dependencies(${ZV_TEST_TARGET} zvpack)
target_sources(${ZV_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/assets/tools/lz_encode.cpp)
target_include_directories(${ZV_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/assets/tools)
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZVPACK_PATH="$<TARGET_FILE:zvpack>")

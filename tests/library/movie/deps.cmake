# The movie tests write their movies with FFmpeg's encoders and their pictures
# with the PNG and JPEG encoders, and pack an archive with zvpack.
target_link_libraries(${ZV_TEST_TARGET} PRIVATE PkgConfig::ZV_FFMPEG PNG::PNG JPEG::JPEG)
add_dependencies(${ZV_TEST_TARGET} zvpack)
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZVPACK_PATH="$<TARGET_FILE:zvpack>")

# The picture fixtures write their PNG and JPEG files with the encoders.
target_link_libraries(${ZV_TEST_TARGET} PRIVATE PNG::PNG JPEG::JPEG)

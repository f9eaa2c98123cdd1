# Image decoding libraries of the graphics subsystem.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(zovav PRIVATE PNG::PNG JPEG::JPEG)
# Movie decoding for movie graphs: pictures scaled, sound tracks resampled.
pkg_check_modules(ZV_FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libswresample libavutil)
target_link_libraries(zovav PRIVATE PkgConfig::ZV_FFMPEG)

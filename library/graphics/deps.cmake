# Image decoding libraries of the graphics subsystem.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(zovav PUBLIC PNG::PNG JPEG::JPEG)

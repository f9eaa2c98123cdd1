# The sound tests make their MP3 and Ogg Vorbis files with the encoders.
pkg_check_modules(ZV_VORBISENC REQUIRED IMPORTED_TARGET vorbisenc)
find_library(ZV_MP3LAME_LIBRARY mp3lame REQUIRED)
target_link_libraries(${ZV_TEST_TARGET} PRIVATE PkgConfig::ZV_VORBISENC ${ZV_MP3LAME_LIBRARY})

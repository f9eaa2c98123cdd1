# Sound decoding libraries: MP3 through libmpg123, Ogg Vorbis through vorbisfile.
pkg_check_modules(ZV_MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(ZV_VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile vorbis ogg)
target_link_libraries(zovav PUBLIC PkgConfig::ZV_MPG123 PkgConfig::ZV_VORBISFILE)

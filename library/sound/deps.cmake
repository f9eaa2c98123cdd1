# Sound decoding libraries: MP3 through libmpg123, Ogg Vorbis through vorbisfile;
# ALSA only to quiet its error printing while SDL looks for a device.
pkg_check_modules(ZV_MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(ZV_VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile vorbis ogg)
pkg_check_modules(ZV_ALSA REQUIRED IMPORTED_TARGET alsa)
target_link_libraries(zovav PRIVATE PkgConfig::ZV_MPG123 PkgConfig::ZV_VORBISFILE PkgConfig::ZV_ALSA)

# Glyph outlines and font lookup for the text engine's glyph source.
find_package(Freetype REQUIRED)
pkg_check_modules(ZV_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(zovav PRIVATE Freetype::Freetype PkgConfig::ZV_FONTCONFIG)

# Extra dependencies of the benchmark programs.
# files_bench: zlib for the inflate comparison, and the archive's LZ encoder
# from the packer to make its input.
if(TARGET bench_files_bench)
  find_package(ZLIB REQUIRED)
  target_link_libraries(bench_files_bench PRIVATE ZLIB::ZLIB)
  target_sources(bench_files_bench PRIVATE ${CMAKE_SOURCE_DIR}/assets/tools/lz_encode.cpp)
  target_include_directories(bench_files_bench PRIVATE ${CMAKE_SOURCE_DIR}/assets/tools)
endif()

# pixman, the peer of the softrender and sprites benches.
if(TARGET bench_softrender_bench OR TARGET bench_sprites_bench)
  pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
endif()

# softrender_bench: pixman and SDL2's software renderer as side-by-side peers.
if(TARGET bench_softrender_bench)
  target_link_libraries(bench_softrender_bench PRIVATE PkgConfig::PIXMAN PkgConfig::SDL2)
endif()

# primitive_bench: SDL2's software renderer beside the primitive rasteriser.
if(TARGET bench_primitive_bench)
  target_link_libraries(bench_primitive_bench PRIVATE PkgConfig::SDL2)
endif()

# fonts_bench: FreeType rasterising the line the glyph cache draws.
if(TARGET bench_fonts_bench)
  target_link_libraries(bench_fonts_bench PRIVATE Freetype::Freetype)
endif()

# sprites_bench: pixman beside PNG sprites drawn in a started library.
if(TARGET bench_sprites_bench)
  target_link_libraries(bench_sprites_bench PRIVATE PkgConfig::PIXMAN)
endif()

# The benches that write their pictures with the tests' PNG and JPEG fixtures.
foreach(b IN ITEMS sprites_bench images_bench png_load_bench)
  if(TARGET bench_${b})
    target_link_libraries(bench_${b} PRIVATE PNG::PNG JPEG::JPEG)
  endif()
endforeach()

# sound_bench: the MP3 encoder makes the file both decoders read, libmpg123
# being one of them.
if(TARGET bench_sound_bench)
  find_library(ZV_MP3LAME_LIBRARY mp3lame REQUIRED)
  target_include_directories(bench_sound_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(bench_sound_bench PRIVATE ${ZV_MP3LAME_LIBRARY} PkgConfig::ZV_MPG123)
endif()

# movie_bench: the tests' movie writer makes the movies it plays with FFmpeg.
if(TARGET bench_movie_bench)
  target_include_directories(bench_movie_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(bench_movie_bench PRIVATE PkgConfig::ZV_FFMPEG)
endif()

# game_bench: the game itself, on a busy moment of play, drawn with the pictures the build
# paints into the run folder.
if(TARGET bench_game_bench)
  target_link_libraries(bench_game_bench PRIVATE velmora_game)
  target_compile_definitions(bench_game_bench PRIVATE ZV_MATERIAL_DIR="${ZV_RUN_DIR}/data/material")
  if(TARGET art)
    add_dependencies(bench_game_bench art)
  endif()
endif()

# Sound effects and music for the run folder's data/material/:
#   sfx_synth     the effect recipes in assets/src/audio/effects.txt -> <name>.wav
#   music_render  each song in assets/src/audio/music/ -> <name>.mp3 (looping),
#                 played through the General MIDI sound font ZV_SOUNDFONT
# Every output depends on its source and its tool, so only what changed is
# made again; the songs render in parallel.
pkg_check_modules(ZV_FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
find_library(ZV_MP3LAME_LIBRARY mp3lame REQUIRED)
set(ZV_SOUNDFONT /usr/share/sounds/sf2/TimGM6mb.sf2 CACHE FILEPATH "General MIDI sound font for the music")
if(NOT EXISTS ${ZV_SOUNDFONT})
  message(FATAL_ERROR "No sound font at ${ZV_SOUNDFONT}: install timgm6mb-soundfont (scripts/install-deps.sh)")
endif()

add_executable(sfx_synth sfx_synth.cpp)
zv_target_defaults(sfx_synth)
add_executable(music_render music_render.cpp song_score.cpp loop_mp3.cpp)
target_link_libraries(music_render PRIVATE PkgConfig::ZV_FLUIDSYNTH ${ZV_MP3LAME_LIBRARY})
zv_target_defaults(music_render)

set(ZV_AUDIO_SRC ${CMAKE_SOURCE_DIR}/assets/src/audio)
set(ZV_MATERIAL_DIR ${ZV_RUN_DIR}/data/material)
set(ZV_EFFECTS select crash get shot limit save handin screenshot)
set(ZV_SONGS title basicbgm bgm bgmboss bgm2 bgmboss2 bgm3 bgmboss3 ending)

set(audio_outputs "")
set(effect_outputs "")
foreach(name IN LISTS ZV_EFFECTS)
  list(APPEND effect_outputs ${ZV_MATERIAL_DIR}/${name}.wav)
endforeach()
add_custom_command(OUTPUT ${effect_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZV_MATERIAL_DIR}
  COMMAND sfx_synth ${ZV_AUDIO_SRC}/effects.txt ${ZV_MATERIAL_DIR}
  DEPENDS sfx_synth ${ZV_AUDIO_SRC}/effects.txt
  COMMENT "Synthesising the sound effects")
list(APPEND audio_outputs ${effect_outputs})

foreach(name IN LISTS ZV_SONGS)
  add_custom_command(OUTPUT ${ZV_MATERIAL_DIR}/${name}.mp3
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZV_MATERIAL_DIR}
    COMMAND music_render ${ZV_SOUNDFONT} ${ZV_AUDIO_SRC}/music/${name}.song ${ZV_MATERIAL_DIR}/${name}.mp3
    DEPENDS music_render ${ZV_AUDIO_SRC}/music/${name}.song
    COMMENT "Rendering the music ${name}.mp3")
  list(APPEND audio_outputs ${ZV_MATERIAL_DIR}/${name}.mp3)
endforeach()

add_custom_target(audio ALL DEPENDS ${audio_outputs})

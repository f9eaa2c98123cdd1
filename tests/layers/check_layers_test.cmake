# The layer check itself: on a small source tree it names every include that
# breaks a layer (by file, line, include as written and what it resolves to)
# and no other, and a tree without them passes.
#   cmake -DCHECK=<check_layers.cmake> -DWORK=<scratch folder> -P check_layers_test.cmake
cmake_minimum_required(VERSION 3.20)
set(tree "${WORK}/tree")
file(REMOVE_RECURSE "${tree}")
foreach(header IN ITEMS core/log.h platform/window.h graphics/graph.h graphics/direct3d/d3d.h sound/sound.h
                        include/zovav.h include/zovav_host.h)
  file(WRITE "${tree}/library/${header}" "#pragma once\n")
endforeach()
file(WRITE "${tree}/game/frame/game.h" "#pragma once\n")

# Each case: a file, the include it holds on its second line, and "fine" or
# what the check must say the include resolves to.
set(cases
  [=[library/core/a.cpp|#include "graphics/graph.h"|library/graphics/graph.h]=]
  [=[library/core/b.h|  #  include "../sound/sound.h"|library/sound/sound.h]=]
  [=[library/core/c.cpp|#include <graphics/graph.h>|library/graphics/graph.h]=]
  [=[library/graphics/directdraw/dd.cpp|#include "graphics/direct3d/d3d.h"|library/graphics/direct3d/d3d.h]=]
  [=[library/graphics/e.cpp|#include "direct3d/d3d.h"|library/graphics/direct3d/d3d.h]=]
  [=[library/subsystems.cpp|#include "graphics/direct3d/d3d.h"|library/graphics/direct3d/d3d.h]=]
  [=[library/core/f.cpp|#include "core/log.h"|fine]=]
  [=[library/core/g.cpp|#include "platform/window.h"|fine]=]
  [=[library/core/h.cpp|#include <zovav.h>|fine]=]
  [=[library/core/i.cpp|#include <string>|fine]=]
  [=[library/core/j.cpp|// #include "graphics/graph.h" is what the core never does|fine]=]
  [=[library/graphics/direct3d/k.cpp|#include "graphics/direct3d/d3d.h"|fine]=]
  [=[library/graphics/direct3d/l.cpp|#include "d3d.h"|fine]=]
  [=[library/host.cpp|#include "graphics/graph.h"|fine]=]
  # The libraries platform/ stands on are its own; the decoders belong to
  # the subsystems that decode.
  [=[library/core/sdl.cpp|#include <SDL.h>|outside the tree]=]
  [=[library/sound/sdl.cpp|#include <SDL2/SDL.h>|outside the tree]=]
  [=[library/graphics/direct3d/gl.cpp|#include <GL/gl.h>|outside the tree]=]
  [=[library/graphics/font/ft.cpp|#include <ft2build.h>|outside the tree]=]
  [=[library/graphics/font/fc.cpp|#include <fontconfig/fontconfig.h>|outside the tree]=]
  [=[library/graphics/movie/av.cpp|#include <libavcodec/avcodec.h>|outside the tree]=]
  [=[library/sound/alsa.cpp|#include <alsa/asoundlib.h>|outside the tree]=]
  [=[library/root_sdl.cpp|#include <SDL.h>|outside the tree]=]
  [=[library/platform/sdl.cpp|#include <SDL.h>|fine]=]
  [=[library/platform/av.cpp|#include <libavformat/avformat.h>|fine]=]
  [=[library/graphics/image/png.cpp|#include <png.h>|fine]=]
  # The door and the game take from outside the tree only C++, C and POSIX.
  [=[library/include/png_door.h|#include <png.h>|outside the tree]=]
  [=[library/include/std_door.h|#include <cstdint>|fine]=]
  [=[game/frame/sdl.cpp|#include <SDL2/SDL.h>|outside the tree]=]
  [=[game/frame/png.cpp|#include <png.h>|outside the tree]=]
  [=[game/frame/core.cpp|#include <core/log.h>|outside the tree]=]
  [=[game/frame/game_file.cpp|#include "frame/game.h"|fine]=]
  [=[game/headless/door.cpp|#include <zovav_host.h>|fine]=]
  [=[game/scenes/door.cpp|#include "zovav.h"|fine]=]
  [=[game/frame/string.cpp|#include <string>|fine]=]
  [=[game/frame/abi.cpp|#include <cxxabi.h>|fine]=]
  [=[game/frame/posix.cpp|#include <sys/stat.h>|fine]=]
  [=[game/frame/c.cpp|#include <stdio.h>|fine]=])

# Every folder including every other, against the order: a row names the
# folders whose headers its files may include ("library" is the root's files).
set(order
  "platform:   platform include"
  "core:       core platform include"
  "softrender: softrender core platform include"
  "input:      input core platform include"
  "sound:      sound core platform include"
  "network:    network core platform include"
  "graphics:   graphics softrender sound core platform include"
  "include:    include"
  "library:    library platform core softrender input sound network graphics include"
  "game:       game include")
function(folder_of out layer)
  if(layer STREQUAL "library" OR layer STREQUAL "game")
    set(${out} "${layer}" PARENT_SCOPE)
  else()
    set(${out} "library/${layer}" PARENT_SCOPE)
  endif()
endfunction()
set(layer_names "")
foreach(row IN LISTS order)
  string(REGEX MATCH "^[a-z]+" layer "${row}")
  list(APPEND layer_names "${layer}")
  folder_of(folder "${layer}")
  file(WRITE "${tree}/${folder}/edge.h" "#pragma once\n")
endforeach()
foreach(row IN LISTS order)
  string(REGEX MATCH "^([a-z]+): *(.*)$" _ "${row}")
  set(from "${CMAKE_MATCH_1}")
  string(REPLACE " " ";" allowed "${CMAKE_MATCH_2}")
  list(REMOVE_ITEM allowed "")
  folder_of(from_folder "${from}")
  foreach(to IN LISTS layer_names)
    folder_of(to_folder "${to}")
    file(RELATIVE_PATH written "${tree}/${from_folder}" "${tree}/${to_folder}/edge.h")
    if(to IN_LIST allowed)
      set(expect fine)
    else()
      set(expect "${to_folder}/edge.h")
    endif()
    list(APPEND cases "${from_folder}/to_${to}.h|#include \"${written}\"|${expect}")
  endforeach()
endforeach()

function(write_cases breaches)
  foreach(c IN LISTS cases)
    string(REPLACE "|" ";" fields "${c}")
    list(GET fields 0 file)
    list(GET fields 1 line)
    list(GET fields 2 expect)
    if(breaches OR expect STREQUAL "fine")
      file(WRITE "${tree}/${file}" "// ${expect}\n${line}\n")
    else()
      file(REMOVE "${tree}/${file}")
    endif()
  endforeach()
  # A folder no row names.
  if(breaches)
    file(WRITE "${tree}/library/audio/mixer.cpp" "// no row\n")
  else()
    file(REMOVE_RECURSE "${tree}/library/audio")
  endif()
endfunction()

function(run_check result_var output_var)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE=${tree} -P "${CHECK}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(${result_var} "${result}" PARENT_SCOPE)
  # Each message starts a line, so "\n<file>:" finds that file's alone.
  set(${output_var} "\n${out}" PARENT_SCOPE)
endfunction()

set(failures "")
write_cases(ON)
run_check(result out)
if(result EQUAL 0)
  string(APPEND failures "the tree with breaches passed\n")
endif()
foreach(c IN LISTS cases)
  string(REPLACE "|" ";" fields "${c}")
  list(GET fields 0 file)
  list(GET fields 1 line)
  list(GET fields 2 expect)
  string(FIND "${out}" "\n${file}:" at)
  if(expect STREQUAL "fine")
    if(NOT at EQUAL -1)
      string(APPEND failures "named though it breaks no layer: ${file}\n")
    endif()
  else()
    # The message names the file with the include's line, the include as
    # written and what it resolved to.
    string(REGEX MATCH "[<\"][^>\"]+[>\"]" written "${line}")
    string(FIND "${out}" "\n${file}:2: includes ${written} (${expect}): " named)
    if(named EQUAL -1)
      string(APPEND failures "not named: ${file} (${written}, ${expect})\n")
    endif()
  endif()
endforeach()
string(FIND "${out}" "\nlibrary/audio/: no row of the layer table names this folder" named)
if(named EQUAL -1)
  string(APPEND failures "not named: the folder library/audio/, in no row\n")
endif()

write_cases(OFF)
run_check(result clean_out)
if(NOT result EQUAL 0)
  string(APPEND failures "the tree without breaches failed:\n${clean_out}\n")
endif()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${failures}check output:\n${out}")
endif()

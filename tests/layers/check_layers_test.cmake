# The layer check itself: on a small library tree it names every include that
# breaks a layer (by file, line and include, however the include is written)
# and no other, and a tree without them passes.
#   cmake -DCHECK=<check_layers.cmake> -DWORK=<scratch folder> -P check_layers_test.cmake
cmake_minimum_required(VERSION 3.20)
set(tree "${WORK}/library")
file(REMOVE_RECURSE "${tree}")
foreach(header IN ITEMS core/log.h platform/window.h graphics/graph.h graphics/direct3d/d3d.h sound/sound.h
                        include/zovav.h)
  file(WRITE "${tree}/${header}" "#pragma once\n")
endforeach()

# Each case: a file, the include it holds on its second line, and "breach" or "fine".
set(cases
  [=[core/a.cpp|#include "graphics/graph.h"|breach]=]
  [=[core/b.h|  #  include "../sound/sound.h"|breach]=]
  [=[core/c.cpp|#include <graphics/graph.h>|breach]=]
  [=[graphics/directdraw/dd.cpp|#include "graphics/direct3d/d3d.h"|breach]=]
  [=[graphics/e.cpp|#include "direct3d/d3d.h"|breach]=]
  [=[subsystems.cpp|#include "graphics/direct3d/d3d.h"|breach]=]
  [=[core/f.cpp|#include "core/log.h"|fine]=]
  [=[core/g.cpp|#include "platform/window.h"|fine]=]
  [=[core/h.cpp|#include <zovav.h>|fine]=]
  [=[core/i.cpp|#include <string>|fine]=]
  [=[core/j.cpp|// #include "graphics/graph.h" is what the core never does|fine]=]
  [=[graphics/direct3d/k.cpp|#include "graphics/direct3d/d3d.h"|fine]=]
  [=[graphics/direct3d/l.cpp|#include "d3d.h"|fine]=]
  [=[host.cpp|#include "graphics/graph.h"|fine]=])

function(write_cases kinds)
  foreach(c IN LISTS cases)
    string(REPLACE "|" ";" fields "${c}")
    list(GET fields 0 file)
    list(GET fields 1 line)
    list(GET fields 2 kind)
    if(kind IN_LIST kinds)
      file(WRITE "${tree}/${file}" "// ${kind}\n${line}\n")
    else()
      file(REMOVE "${tree}/${file}")
    endif()
  endforeach()
endfunction()

function(run_check result_var output_var)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DLIBRARY=${tree} -P "${CHECK}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(${result_var} "${result}" PARENT_SCOPE)
  set(${output_var} "${out}" PARENT_SCOPE)
endfunction()

set(failures "")
write_cases("breach;fine")
run_check(result out)
if(result EQUAL 0)
  string(APPEND failures "the tree with breaches passed\n")
endif()
foreach(c IN LISTS cases)
  string(REPLACE "|" ";" fields "${c}")
  list(GET fields 0 file)
  list(GET fields 2 kind)
  string(FIND "${out}" "library/${file}:" at)
  if(kind STREQUAL "breach")
    # The message names the file with the include's line, and the include as written.
    list(GET fields 1 line)
    string(REGEX MATCH "[<\"][^>\"]+[>\"]" written "${line}")
    string(FIND "${out}" "library/${file}:2: includes ${written}" named)
    if(named EQUAL -1)
      string(APPEND failures "not named: ${file} (${written})\n")
    endif()
  elseif(NOT at EQUAL -1)
    string(APPEND failures "named though it breaks no layer: ${file}\n")
  endif()
endforeach()

write_cases("fine")
run_check(result clean_out)
if(NOT result EQUAL 0)
  string(APPEND failures "the tree without breaches failed:\n${clean_out}\n")
endif()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${failures}check output:\n${out}")
endif()

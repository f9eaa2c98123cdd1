# The game's compile lines reach the library through its public headers only:
# the include folders the game target compiles with are game/ and
# library/include/, and a one-line game file including a header of a library
# dependency does not compile.
#   cmake -DCXX=<compiler> -DINCLUDES=<the game's include folders> -DSOURCE=<source root>
#         -DWORK=<scratch folder> -P game_door.cmake
cmake_minimum_required(VERSION 3.20)
set(allowed "${SOURCE}/game" "${SOURCE}/library/include")
list(REMOVE_DUPLICATES INCLUDES)
set(faults 0)
foreach(dir IN LISTS INCLUDES)
  if(NOT dir IN_LIST allowed)
    message("the game compiles with the include folder ${dir}: only game/ and library/include/ belong there")
    math(EXPR faults "${faults} + 1")
  endif()
endforeach()

set(flags "")
foreach(dir IN LISTS INCLUDES)
  list(APPEND flags "-I${dir}")
endforeach()
file(MAKE_DIRECTORY "${WORK}")
# The public header compiles (so a failing probe below fails for its header),
# the headers of the library's dependencies that no default include folder
# holds do not.
foreach(header IN ITEMS zovav.h SDL.h ft2build.h)
  set(probe "${WORK}/includes_${header}.cpp")
  file(WRITE "${probe}" "#include <${header}>\n")
  execute_process(COMMAND "${CXX}" -std=c++17 -fsyntax-only ${flags} "${probe}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(header STREQUAL "zovav.h" AND NOT result EQUAL 0)
    message(FATAL_ERROR "a game file that includes <zovav.h> does not compile:\n${out}")
  elseif(NOT header STREQUAL "zovav.h" AND result EQUAL 0)
    message("a game file that includes <${header}> compiles: the library hands its dependency's headers on")
    math(EXPR faults "${faults} + 1")
  endif()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} way(s) past the library's public headers (listed above)")
endif()

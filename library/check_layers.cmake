# The layer rules of the library and of the game above it, run by the build
# before the library compiles:
#   - a file includes only headers of the folders its row of `layers` names;
#   - no file outside graphics/direct3d/ includes a header of the 3D back end;
#   - only platform/ includes the headers of the libraries it stands on;
#   - the door (include/) and the game include from outside the tree only the
#     C++ library's, C's and POSIX's headers, so the game reaches no
#     dependency of the library.
# An include is resolved as the compiler would (beside the including file for
# quoted names, then in the folders the library or the game compiles with), so
# relative paths and angle brackets count too; a name found in neither is a
# system header. Each breach is named with its file, line and include.
#   cmake -DSOURCE=<source root, holding library/ and game/> -P check_layers.cmake
cmake_minimum_required(VERSION 3.20)
if(NOT IS_DIRECTORY "${SOURCE}/library")
  message(FATAL_ERROR "check_layers: SOURCE must name the folder holding library/ (got '${SOURCE}')")
endif()
get_filename_component(SOURCE "${SOURCE}" ABSOLUTE)

# A row: a folder, then the folders whose headers its files may include.
# Bottom up: platform/ stands on nothing; core/ on platform/; the middle row
# on core/; graphics/ on softrender/ for its pixels and on sound/ for a
# movie's sound track. The door's headers include nothing of the library, so
# every folder may take the public types and declarations from them.
# "library" is the root's files, which tie the subsystems together; "game" is
# game/, which reaches the library through the door only.
set(layers
  "platform:   platform include"
  "core:       core platform include"
  "softrender: softrender core platform include"
  "input:      input core platform include"
  "sound:      sound core platform include"
  "network:    network core platform include"
  "graphics:   graphics softrender sound core platform include"
  "include:    include"
  "library:    library core platform softrender input sound network graphics include"
  "game:       game include")
foreach(row IN LISTS layers)
  string(REGEX MATCH "^([a-z0-9_]+): *(.*)$" _ "${row}")
  set(folder "${CMAKE_MATCH_1}")
  string(REGEX REPLACE " +" ";" below "${CMAKE_MATCH_2}")
  set(may_include_${folder} ${below})
endforeach()

# The libraries platform/ stands on, by the header names they are reached through.
set(platform_libraries
  "SDL2       ^SDL"
  "OpenGL     ^(GL|epoxy)/"
  "FreeType   ^(ft2build\\.h$|freetype/)"
  "fontconfig ^fontconfig/"
  "FFmpeg     ^lib(av|sw)[a-z]+/"
  "ALSA       ^alsa/")
# What the door and the game may include from outside the tree: the C++
# library (names without a suffix, and its runtime's cxxabi.h) and POSIX's
# headers, which hold C's.
set(standard_names "^([a-z_]+|cxxabi\\.h)$")
set(posix_headers
  aio.h arpa/inet.h assert.h complex.h cpio.h ctype.h dirent.h dlfcn.h errno.h fcntl.h fenv.h float.h fmtmsg.h
  fnmatch.h ftw.h glob.h grp.h iconv.h inttypes.h iso646.h langinfo.h libgen.h limits.h locale.h math.h
  monetary.h mqueue.h ndbm.h net/if.h netdb.h netinet/in.h netinet/tcp.h nl_types.h poll.h pthread.h pwd.h
  regex.h sched.h search.h semaphore.h setjmp.h signal.h spawn.h stdarg.h stdbool.h stddef.h stdint.h stdio.h
  stdlib.h string.h strings.h stropts.h sys/ipc.h sys/mman.h sys/msg.h sys/resource.h sys/select.h sys/sem.h
  sys/shm.h sys/socket.h sys/stat.h sys/statvfs.h sys/time.h sys/times.h sys/types.h sys/uio.h sys/un.h
  sys/utsname.h sys/wait.h syslog.h tar.h termios.h tgmath.h time.h ulimit.h unistd.h utime.h utmpx.h wchar.h
  wctype.h wordexp.h)

# The row a path (relative to SOURCE) belongs to: its folder of library/,
# "library" for the root's files, "game" for anything in game/.
function(layer_of out rel)
  if(rel MATCHES "^library/([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(rel MATCHES "^(library|game)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "${rel}" PARENT_SCOPE)
  endif()
endfunction()

# The file an include names, or "" when none in the tree (a system header).
function(resolve_include out from quote name search_dirs)
  get_filename_component(from_dir "${from}" DIRECTORY)
  set(candidates "")
  if(quote STREQUAL "\"")
    list(APPEND candidates "${from_dir}")
  endif()
  list(APPEND candidates ${search_dirs})
  foreach(dir IN LISTS candidates)
    if(EXISTS "${dir}/${name}" AND NOT IS_DIRECTORY "${dir}/${name}")
      get_filename_component(path "${dir}/${name}" ABSOLUTE)
      set(${out} "${path}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

# The line number of the first line of `text` that holds `line`.
function(line_number out text line)
  string(FIND "${text}" "${line}" at)
  string(SUBSTRING "${text}" 0 ${at} before)
  string(REGEX MATCHALL "\n" breaks "${before}")
  list(LENGTH breaks count)
  math(EXPR count "${count} + 1")
  set(${out} ${count} PARENT_SCOPE)
endfunction()

# The rule a system header breaks in a file of `layer`, or "".
function(system_header_rule out layer name)
  set(rule "")
  if(layer STREQUAL "include" OR layer STREQUAL "game")
    if(NOT name MATCHES "${standard_names}" AND NOT name IN_LIST posix_headers)
      set(rule "${layer}/ files take from outside the tree only the C++ library's, C's and POSIX's headers")
    endif()
  elseif(NOT layer STREQUAL "platform")
    foreach(entry IN LISTS platform_libraries)
      string(REGEX MATCH "^([^ ]+) +(.*)$" _ "${entry}")
      set(library "${CMAKE_MATCH_1}")
      if(name MATCHES "${CMAKE_MATCH_2}")
        set(rule "only platform/ talks to ${library} (the layers above see its small interfaces)")
        break()
      endif()
    endforeach()
  endif()
  set(${out} "${rule}" PARENT_SCOPE)
endfunction()

set(include_line "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)([>\"])")
set(direct3d "${SOURCE}/library/graphics/direct3d/")
set(library_search "${SOURCE}/library" "${SOURCE}/library/include")
set(game_search "${SOURCE}/game" "${SOURCE}/library/include")
file(GLOB_RECURSE files "${SOURCE}/library/*.h" "${SOURCE}/library/*.cpp" "${SOURCE}/library/*.in"
                        "${SOURCE}/game/*.h" "${SOURCE}/game/*.cpp")
set(breaches 0)
set(rowless "")
foreach(file IN LISTS files)
  file(RELATIVE_PATH rel "${SOURCE}" "${file}")
  layer_of(layer "${rel}")
  if(NOT DEFINED may_include_${layer})
    if(NOT layer IN_LIST rowless)
      list(APPEND rowless "${layer}")
      message("library/${layer}/: no row of the layer table names this folder")
      math(EXPR breaches "${breaches} + 1")
    endif()
    continue()
  endif()
  if(layer STREQUAL "game")
    set(search_dirs ${game_search})
  else()
    set(search_dirs ${library_search})
  endif()
  file(STRINGS "${file}" includes REGEX "${include_line}")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "${include_line}" _ "${line}")
    set(quote "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    set(written "${CMAKE_MATCH_1}${CMAKE_MATCH_2}${CMAKE_MATCH_3}")
    resolve_include(target "${file}" "${quote}" "${name}" "${search_dirs}")
    set(rule "")
    if(target STREQUAL "")
      system_header_rule(rule "${layer}" "${name}")
      set(resolved "outside the tree")
    else()
      file(RELATIVE_PATH resolved "${SOURCE}" "${target}")
      layer_of(target_layer "${resolved}")
      string(FIND "${target}" "${direct3d}" target_in_3d)
      string(FIND "${file}" "${direct3d}" file_in_3d)
      if(NOT target_layer IN_LIST may_include_${layer})
        string(REPLACE ";" "/, " allowed "${may_include_${layer}}")
        # The root's files show as library/*.
        string(REPLACE "library/" "library/*" rule "${layer}/ files include only headers of ${allowed}/")
      elseif(target_in_3d EQUAL 0 AND NOT file_in_3d EQUAL 0)
        set(rule "only graphics/direct3d/ includes the 3D back end's headers (reach it through its row)")
      endif()
    endif()
    if(NOT rule STREQUAL "")
      file(READ "${file}" text)
      line_number(at "${text}" "${line}")
      message("${rel}:${at}: includes ${written} (${resolved}): ${rule}")
      math(EXPR breaches "${breaches} + 1")
    endif()
  endforeach()
endforeach()
if(breaches GREATER 0)
  message(FATAL_ERROR "${breaches} breach(es) of the layers (listed above)")
endif()

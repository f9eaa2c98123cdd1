# The program's icons: the painter draws the pictures of assets/src/art/icons.txt
# and icon_table turns them into a source file, compiled into the program as
# its icon resources (and into the tests that look at a window's icon).
# ZV_PROGRAM_ICONS_SOURCE names that file.
set(ZV_ICON_RECIPE ${CMAKE_SOURCE_DIR}/assets/src/art/icons.txt)
set(ZV_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ZV_PROGRAM_ICONS_SOURCE ${ZV_ICON_DIR}/program_icons.cpp)
add_custom_command(
  OUTPUT ${ZV_PROGRAM_ICONS_SOURCE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZV_ICON_DIR}
  COMMAND painter --characters ${CMAKE_SOURCE_DIR}/assets/src/art/characters.txt --out ${ZV_ICON_DIR} ${ZV_ICON_RECIPE}
  COMMAND icon_table ${ZV_ICON_RECIPE} ${ZV_ICON_DIR} ${ZV_PROGRAM_ICONS_SOURCE}
  DEPENDS painter icon_table ${ZV_ICON_RECIPE} ${CMAKE_SOURCE_DIR}/assets/src/art/characters.txt
  COMMENT "Painting the program's icons"
  VERBATIM)
target_sources(velmora PRIVATE ${ZV_PROGRAM_ICONS_SOURCE})
target_include_directories(velmora PRIVATE ${CMAKE_SOURCE_DIR}/library)

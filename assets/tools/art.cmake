# Pictures: the painter draws every picture the game loads from the recipes in
# assets/src/art/ into ${ZV_RUN_DIR}/data/material/. Each recipe file is one
# step that reruns only when it, the cast or the painter changes.
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
find_package(JPEG REQUIRED)

add_executable(painter painter.cpp paint_common.cpp paint_sprites.cpp paint_portraits.cpp
               paint_scenes.cpp paint_effects.cpp)
target_link_libraries(painter PRIVATE PkgConfig::CAIRO JPEG::JPEG)
target_compile_options(painter PRIVATE ${ZV_WARN_FLAGS})

set(ZV_ART_SRC ${CMAKE_SOURCE_DIR}/assets/src/art)
set(ZV_ART_OUT ${ZV_RUN_DIR}/data/material)
set(ZV_ART_STAMPS "")
foreach(recipe IN ITEMS sprites portraits scenes)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/art_${recipe}.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZV_ART_OUT}
    COMMAND painter --characters ${ZV_ART_SRC}/characters.txt --out ${ZV_ART_OUT} ${ZV_ART_SRC}/${recipe}.txt
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS painter ${ZV_ART_SRC}/${recipe}.txt ${ZV_ART_SRC}/characters.txt
    COMMENT "Painting ${recipe}"
    VERBATIM)
  list(APPEND ZV_ART_STAMPS ${stamp})
endforeach()
add_custom_target(art ALL DEPENDS ${ZV_ART_STAMPS})

add_executable(icon_table icon_table.cpp paint_common.cpp)
target_link_libraries(icon_table PRIVATE PkgConfig::CAIRO)
target_compile_options(icon_table PRIVATE ${ZV_WARN_FLAGS})

# Rules for the game's scripts and tables: every assets/src/dat/NAME.txt
# (UTF-8) becomes ${ZV_RUN_DIR}/data/dat/NAME.dat (Shift-JIS, scrambled).
if(TARGET zvdat)
  file(GLOB ZV_DAT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/src/dat/*.txt)
  set(ZV_DAT_OUTPUTS "")
  foreach(src IN LISTS ZV_DAT_SOURCES)
    get_filename_component(stem ${src} NAME_WE)
    set(out ${ZV_RUN_DIR}/data/dat/${stem}.dat)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ZV_RUN_DIR}/data/dat
      COMMAND zvdat encode ${src} ${out}
      DEPENDS ${src} zvdat
      COMMENT "Encoding data/dat/${stem}.dat"
      VERBATIM)
    list(APPEND ZV_DAT_OUTPUTS ${out})
  endforeach()
  add_custom_target(zv_data ALL DEPENDS ${ZV_DAT_OUTPUTS})
endif()

# The content checks read the sources of the game's scripts and tables, and the encoded files the build
# makes of them through the game's own readers.
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZV_DAT_SOURCE_DIR="${CMAKE_SOURCE_DIR}/assets/src/dat"
  ZV_GAME_DATA_DIR="${ZV_RUN_DIR}/data")
target_link_libraries(${ZV_TEST_TARGET} PRIVATE velmora_game)
foreach(t zv_data art)
  if(TARGET ${t})
    add_dependencies(${ZV_TEST_TARGET} ${t})
  endif()
endforeach()

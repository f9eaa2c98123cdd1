# The stage plays run the real game through velmora_headless on the content the build makes.
add_dependencies(${ZV_TEST_TARGET} velmora_headless)
foreach(t zv_data art audio)
  if(TARGET ${t})
    add_dependencies(${ZV_TEST_TARGET} ${t})
  endif()
endforeach()
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE VELMORA_HEADLESS="$<TARGET_FILE:velmora_headless>"
  ZV_GAME_DATA_DIR="${ZV_RUN_DIR}/data")
target_link_libraries(${ZV_TEST_TARGET} PRIVATE velmora_game)
# The packed-material play packs the built material with zvpack.
add_dependencies(${ZV_TEST_TARGET} zvpack)
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZVPACK_PATH="$<TARGET_FILE:zvpack>")

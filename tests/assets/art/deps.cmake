# The pictures are checked where the build paints them, against the size table.
target_compile_definitions(${ZV_TEST_TARGET} PRIVATE
  ZV_ART_DIR="${ZV_RUN_DIR}/data/material"
  ZV_ART_TABLE="${CMAKE_SOURCE_DIR}/assets/src/art/sprites.txt")
if(TARGET art)
  add_dependencies(${ZV_TEST_TARGET} art)
endif()
if(TARGET painter)
  target_compile_definitions(${ZV_TEST_TARGET} PRIVATE ZV_PAINTER="$<TARGET_FILE:painter>")
endif()

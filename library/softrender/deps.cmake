# The primitive rasteriser's span families: one generated file per family
# from a single template, so the build spreads over several files.
foreach(family IN ITEMS Tex32Pal Tex32Rgb Tex16Pal Tex16Rgb Col32Pal Col32Rgb Col16Pal Col16Rgb)
  set(FAMILY ${family})
  set(out ${CMAKE_BINARY_DIR}/generated/softrender/prim_spans_${family}.cpp)
  configure_file(${CMAKE_SOURCE_DIR}/library/softrender/primitive/prim_spans_family.cpp.in ${out} @ONLY)
  target_sources(zovav PRIVATE ${out})
endforeach()

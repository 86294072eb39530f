# Assets/ is copied beside the binaries on every build. An entropy pool already in the build
# tree is never replaced: a consumed pool stays consumed.
add_custom_target(MurkmootAssets ALL
  COMMAND ${CMAKE_COMMAND}
          -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/Assets
          -DDEST_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Assets
          -P ${CMAKE_SOURCE_DIR}/cmake/CopyAssets.cmake
  COMMENT "Copying Assets/ beside the binaries"
  VERBATIM)

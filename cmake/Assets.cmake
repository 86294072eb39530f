# Assets/ is copied beside the binaries on every build, without any pool: the build tree's pool
# is its own, filled once from the system's random source and never replaced, so a consumed pool
# stays consumed and no two builds start from the same values.
add_custom_target(MurkmootAssets ALL
  COMMAND ${CMAKE_COMMAND}
          -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/Assets
          -DDEST_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Assets
          -P ${CMAKE_SOURCE_DIR}/cmake/CopyAssets.cmake
  COMMENT "Copying Assets/ beside the binaries"
  VERBATIM)

add_custom_target(MurkmootBuildPool ALL
  COMMAND ${CMAKE_COMMAND}
          -DPOOL_TOOL=$<TARGET_FILE:MurkmootPool>
          -DPOOL=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Assets/Data/entropy_pool.txt
          -DVALUES=100000
          -P ${CMAKE_SOURCE_DIR}/cmake/FillPool.cmake
  COMMENT "Giving the build tree an entropy pool of its own"
  VERBATIM)
add_dependencies(MurkmootBuildPool MurkmootPool MurkmootAssets)
add_dependencies(MurkmootCli MurkmootBuildPool)
if(TARGET Murkmoot)
  add_dependencies(Murkmoot MurkmootBuildPool)
endif()

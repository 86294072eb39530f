# Usage: cmake -DSOURCE_DIR=... -DDEST_DIR=... -P CopyAssets.cmake
set(POOL_FILE "Data/entropy_pool.txt")
file(GLOB_RECURSE assetFiles RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
foreach(relative IN LISTS assetFiles)
  get_filename_component(subdir "${relative}" DIRECTORY)
  if(relative STREQUAL POOL_FILE AND EXISTS "${DEST_DIR}/${relative}")
    continue()
  endif()
  # The lock (and a killed rewrite's leftover) beside a pool someone used in the source tree.
  if(relative MATCHES "(^|/)\\.[^/]*\\.(lock|new)$")
    continue()
  endif()
  # file(COPY) skips files whose timestamps already match.
  file(COPY "${SOURCE_DIR}/${relative}" DESTINATION "${DEST_DIR}/${subdir}")
endforeach()

# Usage: cmake -DSOURCE_DIR=... -DDEST_DIR=... -P CopyAssets.cmake
file(GLOB_RECURSE assetFiles RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
foreach(relative IN LISTS assetFiles)
  get_filename_component(subdir "${relative}" DIRECTORY)
  # A pool someone made in the source tree, its lock and a killed rewrite's leftover: every
  # build tree fills a pool of its own instead.
  if(relative MATCHES "(^|/)entropy_pool\\.txt$" OR relative MATCHES "(^|/)\\.[^/]*\\.(lock|new)$")
    continue()
  endif()
  # file(COPY) skips files whose timestamps already match.
  file(COPY "${SOURCE_DIR}/${relative}" DESTINATION "${DEST_DIR}/${subdir}")
endforeach()

# Run by cpack on the staged files before it builds the .deb: Debian compresses manual pages,
# ships the package's changelog and reads lintian's overrides, which a plain `cmake --install`
# does not need.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${root}/bin")
  message(FATAL_ERROR "No staged programs under ${root}")
endif()
set(docDir "${root}/share/doc/${CPACK_PACKAGE_NAME}")
file(COPY_FILE "${CPACK_MURKMOOT_CHANGELOG}" "${docDir}/changelog.Debian")
file(GLOB_RECURSE toCompress "${root}/share/man/*")
list(APPEND toCompress "${docDir}/changelog.Debian")
foreach(file IN LISTS toCompress)
  # -n: no name or time stamp inside, so the same files make the same package.
  execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
  file(CHMOD "${file}.gz" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()

# The games live in <prefix>/bin like the pool tool, under every prefix, so that every user's PATH
# (root's too, which has no /usr/games) finds them and they find their data in ../share/murkmoot.
# The package is built here, not uploaded to Debian, so its changelog has no bug to close.
file(MAKE_DIRECTORY "${root}/share/lintian/overrides")
file(CHMOD "${root}/share/lintian" "${root}/share/lintian/overrides" PERMISSIONS OWNER_READ OWNER_WRITE
     OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(overrides "${root}/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
file(WRITE "${overrides}" "${CPACK_PACKAGE_NAME}: package-section-games-but-contains-no-game\n"
                         "${CPACK_PACKAGE_NAME}: initial-upload-closes-no-bugs\n")
file(CHMOD "${overrides}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

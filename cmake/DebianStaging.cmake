# Run by cpack on the staged files before it builds the .deb: Debian compresses manual pages,
# ships the package's changelog, keeps games in /usr/games with their data under
# /usr/share/games, and takes fonts from its font packages, none of which a plain
# `cmake --install` needs.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
if(NOT CPACK_MURKMOOT_GAMES_DIR STREQUAL "games" OR NOT CPACK_MURKMOOT_DATA_DIR STREQUAL "share/games/murkmoot")
  message(FATAL_ERROR "A Debian package keeps its games in /usr/games and their data in /usr/share/games: "
                      "configure with -DMURKMOOT_INSTALL_GAMESDIR=games "
                      "-DMURKMOOT_INSTALL_DATADIR=share/games/murkmoot")
endif()
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${root}/games/MurkmootCli")
  message(FATAL_ERROR "No staged programs under ${root}")
endif()
set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(docDir "${root}/share/doc/${CPACK_PACKAGE_NAME}")
file(COPY_FILE "${CPACK_MURKMOOT_CHANGELOG}" "${docDir}/changelog.Debian")
file(GLOB_RECURSE toCompress "${root}/share/man/*")
list(APPEND toCompress "${docDir}/changelog.Debian")
foreach(file IN LISTS toCompress)
  # -n: no name or time stamp inside, so the same files make the same package.
  execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
  file(CHMOD "${file}.gz" PERMISSIONS ${readable})
endforeach()

# The menu entry names the game by the path it has once installed, not the staging one.
set(desktop "${root}/share/applications/org.murkmoot.Murkmoot.desktop")
if(EXISTS "${desktop}")
  file(READ "${desktop}" entry)
  string(REPLACE "${CPACK_TEMPORARY_DIRECTORY}" "" entry "${entry}")
  file(WRITE "${desktop}" "${entry}")
  file(CHMOD "${desktop}" PERMISSIONS ${readable})
endif()

# A relative link, as Debian wants within /usr, to the font package's file; the font's licence
# then comes with that package.
set(fontDir "${root}/${CPACK_MURKMOOT_DATA_DIR}/Assets/TTF")
foreach(link IN LISTS CPACK_MURKMOOT_FONT_LINKS)
  string(REPLACE "=" ";" link "${link}")
  list(GET link 0 name)
  list(GET link 1 target)
  file(RELATIVE_PATH relative "${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_MURKMOOT_DATA_DIR}/Assets/TTF" "${target}")
  file(REMOVE "${fontDir}/${name}")
  file(CREATE_LINK "${relative}" "${fontDir}/${name}" SYMBOLIC)
endforeach()
file(REMOVE "${fontDir}/LICENSE-Lato.txt" "${fontDir}/LICENSE-Klaudia.txt")

# The package is built here, not uploaded to Debian, so its changelog has no bug to close.
file(MAKE_DIRECTORY "${root}/share/lintian/overrides")
file(CHMOD "${root}/share/lintian" "${root}/share/lintian/overrides" PERMISSIONS OWNER_READ OWNER_WRITE
     OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(overrides "${root}/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
file(WRITE "${overrides}" "${CPACK_PACKAGE_NAME}: initial-upload-closes-no-bugs\n")
file(CHMOD "${overrides}" PERMISSIONS ${readable})

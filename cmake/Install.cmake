# What `cmake --install` puts under the prefix, and the .deb with it. By default the programs go
# to <prefix>/bin and their data to <prefix>/share/murkmoot; MURKMOOT_INSTALL_GAMESDIR and
# MURKMOOT_INSTALL_DATADIR move the two games and their data (the Debian package: games/ and
# share/games/murkmoot). The games find their data by the relative path between the two, fixed
# here, so the install works under any prefix, moved too.
include(GNUInstallDirs)
set(MURKMOOT_INSTALL_GAMESDIR "" CACHE STRING "Where Murkmoot and MurkmootCli go (default: CMAKE_INSTALL_BINDIR)")
set(MURKMOOT_INSTALL_DATADIR "" CACHE STRING "The games' data (default: CMAKE_INSTALL_DATADIR/murkmoot)")
set(MURKMOOT_GAMES_INSTALL_DIR "${MURKMOOT_INSTALL_GAMESDIR}")
if(MURKMOOT_GAMES_INSTALL_DIR STREQUAL "")
  set(MURKMOOT_GAMES_INSTALL_DIR "${CMAKE_INSTALL_BINDIR}")
endif()
set(MURKMOOT_DATA_INSTALL_DIR "${MURKMOOT_INSTALL_DATADIR}")
if(MURKMOOT_DATA_INSTALL_DIR STREQUAL "")
  set(MURKMOOT_DATA_INSTALL_DIR "${CMAKE_INSTALL_DATADIR}/murkmoot")
endif()
# Computed under the configured prefix; the install may go to any other (`--prefix`) and be moved.
set(fullDirs)
foreach(dir IN ITEMS "${MURKMOOT_GAMES_INSTALL_DIR}" "${MURKMOOT_DATA_INSTALL_DIR}")
  if(NOT IS_ABSOLUTE "${dir}")
    set(dir "${CMAKE_INSTALL_PREFIX}/${dir}")
  endif()
  list(APPEND fullDirs "${dir}")
endforeach()
list(GET fullDirs 0 gamesFull)
list(GET fullDirs 1 dataFull)
file(RELATIVE_PATH gamesToData "${gamesFull}" "${dataFull}")
if(gamesToData STREQUAL "")
  set(gamesToData ".")
endif()
target_compile_definitions(MurkmootAppPaths PRIVATE MURKMOOT_INSTALLED_DATA="${gamesToData}")
# Whatever the umask of whoever installs or packages.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(MURKMOOT_APP_ID org.murkmoot.Murkmoot)
set(MURKMOOT_MAINTAINER "Murkmoot developers <dev@murkmoot.invalid>")
set(packagingDir ${CMAKE_SOURCE_DIR}/packaging)
set(generatedDir ${CMAKE_BINARY_DIR}/packaging)

set(games MurkmootCli)
if(MURKMOOT_WINDOWED)
  list(APPEND games Murkmoot)
endif()
install(TARGETS ${games} RUNTIME DESTINATION ${MURKMOOT_GAMES_INSTALL_DIR})
# A tool, not a game: it stays on every user's PATH, root's too.
install(TARGETS MurkmootPool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Read-only data only: every player's pool is their own, so no pool (nor its lock or a leftover of
# a rewrite) is ever installed; the images' SVG sources stay in the repository, and of the icon
# only what the window shows (the desktop's copies go to the icon theme below).
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Assets/ DESTINATION ${MURKMOOT_DATA_INSTALL_DIR}/Assets
  REGEX "/Image/src$" EXCLUDE
  REGEX "/Image/Icon/murkmoot(-(16|32|48|64|128)\\.png|\\.svg)$" EXCLUDE
  REGEX "/[^/]*entropy_pool[^/]*$" EXCLUDE
  REGEX "/\\.[^/]*\\.(lock|new|added)$" EXCLUDE)

# Manual pages carry the project's version.
set(manPages "MurkmootCli.6" "MurkmootPool.1")
if(MURKMOOT_WINDOWED)
  list(APPEND manPages "Murkmoot.6")
endif()
foreach(page IN LISTS manPages)
  configure_file(${packagingDir}/man/${page} ${generatedDir}/man/${page} @ONLY)
  string(REGEX MATCH "[0-9]$" section "${page}")
  install(FILES ${generatedDir}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

install(FILES ${packagingDir}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/murkmoot)

if(MURKMOOT_WINDOWED)
  # The menu starts the game by its full path, which the install knows only once its prefix is
  # final (`--prefix`, DESTDIR): a desktop session's PATH need not hold a games directory.
  install(CODE "
    set(dir \"${MURKMOOT_GAMES_INSTALL_DIR}\")
    if(NOT IS_ABSOLUTE \"\${dir}\")
      set(dir \"\${CMAKE_INSTALL_PREFIX}/\${dir}\")
    endif()
    set(MURKMOOT_EXEC \"\${dir}/Murkmoot\")
    configure_file(\"${packagingDir}/${MURKMOOT_APP_ID}.desktop\" \"${generatedDir}/${MURKMOOT_APP_ID}.desktop\" @ONLY)
  ")
  install(FILES ${generatedDir}/${MURKMOOT_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${packagingDir}/${MURKMOOT_APP_ID}.metainfo.xml ${generatedDir}/${MURKMOOT_APP_ID}.metainfo.xml
                 @ONLY)
  install(FILES ${generatedDir}/${MURKMOOT_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/Assets/Image/Icon/murkmoot-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${MURKMOOT_APP_ID}.png)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/Assets/Image/Icon/murkmoot.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${MURKMOOT_APP_ID}.svg)
endif()

# `cpack -G DEB` in the build directory: murkmoot_<version>-1_<arch>.deb for /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murkmoot)
set(CPACK_PACKAGE_VENDOR "Murkmoot developers")
set(CPACK_PACKAGE_CONTACT "${MURKMOOT_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fortune-telling game with a council of goblins")
# Debian wraps nothing: lines stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Ask a question and a council of five goblins, drawn from a roster of 25,
votes on it: the game answers with a consensus word, a prophecy, a verdict
and every vote, unless Pudding Brain overrides the lot of them. The answer
never depends on the question: every choice is drawn from an entropy pool of
random values that is never used twice, and every player gets a pool of
their own.

The package holds the oracle chamber (a window with cave music), a terminal
version that answers one question, and a tool that inspects and refills the
entropy pool, also while the games run.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts Debian already ships are links to its packages' files (DebianStaging.cmake); the copies
# stay for `cmake --install`. Silkscreen has no Debian package and stays a copy.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-lato, fonts-klaudia-berenika")
set(CPACK_MURKMOOT_FONT_LINKS
    "Lato-Regular.ttf=/usr/share/fonts/truetype/lato/Lato-Regular.ttf"
    "Lato-Black.ttf=/usr/share/fonts/truetype/lato/Lato-Black.ttf"
    "quadriana.ttf=/usr/share/fonts/truetype/klaudia-berenika/Klaudia.ttf")
set(CPACK_MURKMOOT_GAMES_DIR "${MURKMOOT_GAMES_INSTALL_DIR}")
set(CPACK_MURKMOOT_DATA_DIR "${MURKMOOT_DATA_INSTALL_DIR}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The changelog and the compressed manual pages only the package carries (DebianStaging.cmake).
set(MURKMOOT_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
configure_file(${packagingDir}/changelog.Debian.in ${generatedDir}/changelog.Debian @ONLY)
set(CPACK_MURKMOOT_CHANGELOG ${generatedDir}/changelog.Debian)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianStaging.cmake)
include(CPack)

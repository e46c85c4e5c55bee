# Installation: the programs, their decoration pictures and the man page.
include(GNUInstallDirs)

set(TX_APP_ID org.tesselix.Tesselix)

# An installed program finds its pictures relative to its own folder, so the
# installation can be moved (DESTDIR, another prefix) as a whole.
file(RELATIVE_PATH TX_INSTALLED_GFX "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/tesselix/Gfx")
set_property(SOURCE src/core/support/AppPaths.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  TX_INSTALLED_GFX="${TX_INSTALLED_GFX}")

install(TARGETS tesselix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TX_BUILD_GUI)
  install(TARGETS tesselix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY assets/Gfx/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tesselix/Gfx
  FILES_MATCHING PATTERN "*.gif")

# ---- desktop integration: menu entry, icon, AppStream metainfo
if(TX_BUILD_GUI)
  install(FILES assets/desktop/${TX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES assets/desktop/${TX_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES assets/desktop/${TX_APP_ID}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
  install(FILES assets/desktop/${TX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# ---- man page, from the program's own --help
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(TX_MAN_PAGE ${CMAKE_BINARY_DIR}/tesselix-cli.1)
  add_custom_command(OUTPUT ${TX_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
      ${HELP2MAN} --no-info --no-discard-stderr --section=1
      "--name=make photo mosaics and tile libraries from the command line"
      --output=${TX_MAN_PAGE} $<TARGET_FILE:tesselix-cli>
    DEPENDS tesselix-cli
    COMMENT "Writing the man page tesselix-cli.1")
  add_custom_target(tesselix_man ALL DEPENDS ${TX_MAN_PAGE})
  install(FILES ${TX_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: the man page tesselix-cli.1 is not made (apt-get install help2man)")
endif()


# ---- Debian package: cpack -G DEB (in the build folder) makes tesselix_<version>_<arch>.deb
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesselix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tesselix developers")
set(CPACK_PACKAGE_CONTACT "The Tesselix developers <developers@tesselix.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo mosaic maker")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tesselix turns a photograph into a photo mosaic: a large picture made of many
small pictures (tiles) from a tile library, chosen so that from a distance the
grid of tiles reproduces the photograph. It builds tile libraries from a folder
of pictures, analyses them and finds near-identical tiles.
.
The package holds the wizard (tesselix) and the command line program
(tesselix-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tesselix.org/")
# the libraries' packages, found by dpkg-shlibdeps from the programs themselves
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open is how the desktop opens a finished mosaic or a tile
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)

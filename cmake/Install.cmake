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


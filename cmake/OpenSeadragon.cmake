# The zoomable web page's viewer: OpenSeadragon from the npm registry, fetched at
# build time into <build>/openseadragon (beside the executables, as Gfx is) and
# installed to share/tesselix/openseadragon. Without npm or the network the build
# goes on; a zoomable mosaic then says that its viewer is missing.
set(TX_OSD_VERSION 5.0.1)
# sha512 of openseadragon-5.0.1.tgz (the registry's integrity value, in hex)
set(TX_OSD_SHA512 6bf863a2e5bd8b751f5b14400d560dd8cc918573069c4ef1f5554beffe235c27032c5c8ee14339a38452b58b6a6b905f687c3fc0c340683d966f1405f1fd6926)
find_program(TX_NPM npm)
set(TX_OSD_STAMP ${CMAKE_BINARY_DIR}/openseadragon-${TX_OSD_VERSION}.stamp)
add_custom_command(OUTPUT ${TX_OSD_STAMP}
  COMMAND ${CMAKE_COMMAND} -DNPM=${TX_NPM} -DVERSION=${TX_OSD_VERSION} -DSHA512=${TX_OSD_SHA512}
          -DWORK=${CMAKE_BINARY_DIR}/openseadragon-fetch -DDEST=${CMAKE_BINARY_DIR}/openseadragon
          -DSTAMP=${TX_OSD_STAMP} -P ${CMAKE_CURRENT_LIST_DIR}/FetchOpenSeadragon.cmake
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/FetchOpenSeadragon.cmake
  COMMENT "Fetching OpenSeadragon ${TX_OSD_VERSION} with npm"
  VERBATIM)
add_custom_target(tesselix_viewer ALL DEPENDS ${TX_OSD_STAMP})
include(GNUInstallDirs)
install(DIRECTORY ${CMAKE_BINARY_DIR}/openseadragon DESTINATION ${CMAKE_INSTALL_DATADIR}/tesselix OPTIONAL)
# found relative to the installed program, as its pictures are
file(RELATIVE_PATH TX_INSTALLED_VIEWER "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/tesselix/openseadragon")
set_property(SOURCE src/core/mosaic/ZoomViewer.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  TX_INSTALLED_VIEWER="${TX_INSTALLED_VIEWER}")

# cmake -DNPM=... -DVERSION=... -DSHA512=... -DWORK=... -DDEST=... -DSTAMP=... -P FetchOpenSeadragon.cmake
# Packs openseadragon@VERSION from the registry, checks the tarball against SHA512
# and copies the viewer and its licence to DEST. Any failure is a warning: the
# stamp records it so an offline build does not retry on every build (delete the
# stamp to retry).
function(give_up why)
  message(WARNING "OpenSeadragon not fetched (${why}): zoomable web pages cannot be made by this build. "
                  "Delete ${STAMP} to try again.")
  file(REMOVE_RECURSE "${DEST}")
  file(WRITE "${STAMP}" "missing: ${why}\n")
  return()
endfunction()

if(EXISTS "${DEST}/openseadragon.min.js" AND EXISTS "${DEST}/LICENSE.txt" AND EXISTS "${DEST}/VERSION")
  file(READ "${DEST}/VERSION" have)
  if(have STREQUAL "${VERSION}")
    file(WRITE "${STAMP}" "ok ${VERSION}\n")
    return()
  endif()
endif()
if(NOT NPM)
  give_up("npm is not installed")
  return()
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${NPM}" pack "openseadragon@${VERSION}" --silent --fetch-retries=1 --fetch-timeout=20000
                        --cache "${WORK}/cache"
  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE packed OUTPUT_QUIET ERROR_VARIABLE npm_error TIMEOUT 120)
set(tarball "${WORK}/openseadragon-${VERSION}.tgz")
if(NOT packed EQUAL 0 OR NOT EXISTS "${tarball}")
  string(STRIP "${npm_error}" npm_error)
  give_up("npm pack failed: ${packed} ${npm_error}")
  return()
endif()
file(SHA512 "${tarball}" got)
if(NOT got STREQUAL "${SHA512}")
  give_up("the tarball's checksum ${got} is not the expected one")
  return()
endif()
file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${WORK}/x")
set(pkg "${WORK}/x/package")
if(NOT EXISTS "${pkg}/build/openseadragon/openseadragon.min.js" OR NOT EXISTS "${pkg}/LICENSE.txt")
  give_up("the package lacks openseadragon.min.js or LICENSE.txt")
  return()
endif()
file(REMOVE_RECURSE "${DEST}")
file(MAKE_DIRECTORY "${DEST}")
file(COPY "${pkg}/build/openseadragon/openseadragon.min.js" "${pkg}/build/openseadragon/images" "${pkg}/LICENSE.txt"
     DESTINATION "${DEST}")
file(WRITE "${DEST}/VERSION" "${VERSION}")
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${STAMP}" "ok ${VERSION}\n")

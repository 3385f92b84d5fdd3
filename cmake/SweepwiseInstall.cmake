# Where `cmake --install` puts the programs, and the Debian package made from that
# (`cpack`, see scripts/package).
#
#   <prefix>/<libdir>/sweepwise/Sweepwise.app          the main application's bundle,
#       .../Contents/Library/LoginItems/SweepwiseHelper.app   with the helper inside it
#   <prefix>/bin/sweepwise                             a link to the main executable
#   <prefix>/share/applications, icons, metainfo, man, doc/sweepwise
#
# The programs find everything else from their own bundles, so the prefix may be any
# folder (also one whose name holds spaces), and the bundle may be moved as a whole.
include(GNUInstallDirs)

set(SWEEPWISE_INSTALL_BUNDLEDIR "${CMAKE_INSTALL_LIBDIR}/sweepwise" CACHE STRING
    "Folder (relative to the prefix, or absolute) that receives Sweepwise.app")
set(SWEEPWISE_APP_ID "com.halvorn.Sweepwise-SIII")
set(SWEEPWISE_MAINTAINER "The Sweepwise maintainers <maintainers@sweepwise.example>")
# The date of the release named by the project's version (AppStream, the changelog).
set(SWEEPWISE_RELEASE_DATE "2026-12-07")
set(SWEEPWISE_RELEASE_TIME "Mon, 07 Dec 2026 00:00:00 +0000")

set(SWEEPWISE_INSTALL_MAIN_BUNDLE "${SWEEPWISE_INSTALL_BUNDLEDIR}/Sweepwise.app")
set(SWEEPWISE_INSTALL_HELPER_BUNDLE
    "${SWEEPWISE_INSTALL_MAIN_BUNDLE}/Contents/Library/LoginItems/SweepwiseHelper.app")

set(_linux "${PROJECT_SOURCE_DIR}/resources/linux")
set(_staged "${PROJECT_BINARY_DIR}/desktop-files")
set(_docdir "${CMAKE_INSTALL_DATAROOTDIR}/doc/sweepwise")

# bin/sweepwise: a relative link, so that the installed tree can be moved or staged.
foreach(_dir BINDIR BUNDLEDIR)
  set(_relative "${CMAKE_INSTALL_${_dir}}")
  if(_dir STREQUAL "BUNDLEDIR")
    set(_relative "${SWEEPWISE_INSTALL_BUNDLEDIR}")
  endif()
  if(IS_ABSOLUTE "${_relative}")
    set(_full_${_dir} "${_relative}")
  else()
    set(_full_${_dir} "/prefix/${_relative}")
  endif()
endforeach()
file(RELATIVE_PATH _to_main "${_full_BINDIR}"
     "${_full_BUNDLEDIR}/Sweepwise.app/Contents/MacOS/Sweepwise")
file(MAKE_DIRECTORY "${_staged}")
file(CREATE_LINK "${_to_main}" "${_staged}/sweepwise" SYMBOLIC)
install(FILES "${_staged}/sweepwise" DESTINATION "${CMAKE_INSTALL_BINDIR}")

# Texts that carry the version, and the gzip-compressed ones Debian wants (-n: no
# name or time inside, so the same sources give the same bytes).
configure_file("${_linux}/${SWEEPWISE_APP_ID}.metainfo.xml.in"
               "${_staged}/${SWEEPWISE_APP_ID}.metainfo.xml" @ONLY)
configure_file("${_linux}/sweepwise.1" "${_staged}/sweepwise.1" @ONLY)
configure_file("${_linux}/changelog.in" "${_staged}/changelog" @ONLY)
find_program(SWEEPWISE_GZIP gzip REQUIRED)
set(_compressed)
foreach(_name sweepwise.1 changelog)
  add_custom_command(OUTPUT "${_staged}/${_name}.gz"
    COMMAND "${SWEEPWISE_GZIP}" -9 -n -f -k "${_staged}/${_name}"
    DEPENDS "${_staged}/${_name}"
    VERBATIM)
  list(APPEND _compressed "${_staged}/${_name}.gz")
endforeach()
add_custom_target(install_texts ALL DEPENDS ${_compressed})

install(FILES "${_linux}/${SWEEPWISE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${_staged}/${SWEEPWISE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
foreach(_size 16 24 32 48 64 128 256 512)
  install(FILES "${_linux}/icons/sweepwise-${_size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps"
          RENAME "${SWEEPWISE_APP_ID}.png")
endforeach()
install(FILES "${_linux}/icons/sweepwise.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME "${SWEEPWISE_APP_ID}.svg")
install(FILES "${_staged}/sweepwise.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${_linux}/copyright" "${_staged}/changelog.gz" DESTINATION "${_docdir}")
install(FILES "${_linux}/lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME sweepwise)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sweepwise)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Sweepwise maintainers")
set(CPACK_PACKAGE_CONTACT "${SWEEPWISE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finish uninstalling applications moved to the Trash")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Sweepwise watches the Trash. When an application is moved to it,
Sweepwise finds what the application left in the home folder (caches,
preferences, saved state, logs and other service files), measures it, and
offers in a small panel at the top right of the screen to remove it too.
Its helper starts at login only when asked to (sweepwise login-item on,
or the menu entry).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)

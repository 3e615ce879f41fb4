# Installing and packaging: `cmake --install` lays out the program the freedesktop way, and CPack
# turns the same layout into a Debian package (scripts/package.sh).
#
#   bin/lanzhou                                   the window (when LANZHOU_BUILD_GUI is ON)
#   bin/lanzhou-query                             the command-line queries (once that target exists)
#   share/applications/lanzhou.desktop            menu entry: 岚舟时刻, Utility;Travel;
#   share/icons/hicolor/{64x64,128x128}/apps/lanzhou.png, scalable/apps/lanzhou.svg
#
# Included at the end of the top-level CMakeLists.txt, after every target is defined. The
# timetable travels inside the program, so nothing else needs installing.
include(GNUInstallDirs)

set(LANZHOU_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)

if(TARGET lanzhou)
  install(TARGETS lanzhou RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET lanzhou-query)
  install(TARGETS lanzhou-query RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${LANZHOU_DESKTOP_DIR}/lanzhou.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 64 128)
  install(FILES ${LANZHOU_DESKTOP_DIR}/lanzhou-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME lanzhou.png)
endforeach()
install(FILES ${LANZHOU_DESKTOP_DIR}/lanzhou.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# ---- Debian package ------------------------------------------------------------------------
set(LANZHOU_PACKAGE_MAINTAINER "岚舟时刻 maintainers <packages@lanzhou-shike.cn>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lanzhou)
set(CPACK_PACKAGE_VENDOR "岚舟时刻")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "offline Chinese railway timetable lookup (岚舟时刻)")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.lanzhou-shike.cn")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LANZHOU_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it and indents it the Debian way.
set(CPACK_PACKAGE_DESCRIPTION
    "岚舟时刻 answers four questions about Chinese passenger trains without a
network: the trains between two stations (with transfer suggestions when no
through train runs), a train by its number, every train calling at a station,
and a train's full stop list with running times, speeds and reference fares.
Station names are typed in Chinese or as pinyin initials.

Results can be sorted, filtered, printed and exported as comma-separated text.
The whole timetable is built into the program.")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")

# Shared-library dependencies (Qt Widgets, PrintSupport, WebEngine, zlib, the C++ runtime) are
# read from the binaries by dpkg-shlibdeps, versions included. What the binaries cannot show is
# listed by hand: the Qt platform plugins that let a Widgets program open a window, the CJK
# font every text of the window needs, and Qt's own Chinese texts for its standard dialogs.
find_program(LANZHOU_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(lanzhou_runtime_depends "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk")
if(LANZHOU_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${lanzhou_runtime_depends}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6, libqt6printsupport6, libqt6webenginewidgets6, zlib1g, libstdc++6, libc6, ${lanzhou_runtime_depends}")
endif()

include(CPack)

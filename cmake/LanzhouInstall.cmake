# Installing and packaging: `cmake --install` lays out the program the freedesktop way, and CPack
# turns the same layout into a Debian package (scripts/package.sh).
#
#   bin/lanzhou                                   the window (when LANZHOU_BUILD_GUI is ON)
#   bin/lanzhou-query                             the command-line queries (once that target exists)
#   bin/lanzhou-timetable                         makes and inspects timetable files
#   share/applications/lanzhou.desktop            menu entry: 岚舟时刻, Utility;
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
if(TARGET lanzhou-timetable)
  install(TARGETS lanzhou-timetable RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# lanzhou-query's painting of diagrams, opened at run time from ../lib/lanzhou/modules beside its
# folder (a private module: one level below lib/lanzhou, where the package needs no ldconfig).
if(TARGET lanzhou_diagram_render)
  install(TARGETS lanzhou_diagram_render LIBRARY DESTINATION lib/lanzhou/modules)
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

# Licence, bash completion and AppStream metadata.
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/lanzhou.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME cn.lanzhou_shike.lanzhou.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/lanzhou-query
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages: help2man turns each program's --help into a page, a hand-written part
# (resources/man/<program>.h2m) adds EXAMPLES, FILES and SEE ALSO. Compressed the Debian way
# (gzip -9n: no name or time stamp, so the same build gives the same bytes).
find_program(LANZHOU_HELP2MAN help2man)
find_program(LANZHOU_GZIP gzip)
# The version as the programs show it (net/version_check.h); the project's version drops the
# leading zeros CMake does not keep.
set(LANZHOU_PROGRAM_VERSION 2011.08.15)
function(lanzhou_man_page program summary)
  if(NOT TARGET ${program} OR NOT LANZHOU_HELP2MAN OR NOT LANZHOU_GZIP)
    return()
  endif()
  set(include ${PROJECT_SOURCE_DIR}/resources/man/${program}.h2m)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${LANZHOU_HELP2MAN} --no-info --locale=C.UTF-8 --section=1 --name=${summary}
            --version-string=${LANZHOU_PROGRAM_VERSION} --include=${include}
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${LANZHOU_GZIP} -9nf ${page}
    DEPENDS ${program} ${include}
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  add_custom_target(${program}_man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
# The package's changelog, compressed the same way.
if(LANZHOU_GZIP)
  set(changelog ${PROJECT_BINARY_DIR}/doc/changelog.gz)
  add_custom_command(
    OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
    COMMAND ${LANZHOU_GZIP} -9nc ${PROJECT_SOURCE_DIR}/resources/debian/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/debian/changelog
    VERBATIM)
  add_custom_target(lanzhou_changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

lanzhou_man_page(lanzhou "offline timetable of the Chinese passenger railway")
lanzhou_man_page(lanzhou-query "look up the Chinese railway timetable from a terminal")
lanzhou_man_page(lanzhou-timetable "make, import and inspect 岚舟时刻 timetable files")

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
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
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

# Shared-library dependencies (Qt Widgets, PrintSupport, WebEngine, zlib, libdeflate, the C++
# runtime) are read from the binaries by dpkg-shlibdeps, versions included. What the binaries
# cannot show is listed by hand: libzip (opened at run time, when a timetable file is used), the
# Qt platform plugins that let a Widgets program open a window, the CJK font every text of the
# window needs, and Qt's own Chinese texts for its standard dialogs.
find_program(LANZHOU_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(lanzhou_runtime_depends "libzip4, qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk")
if(LANZHOU_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${lanzhou_runtime_depends}")
else()
  set(lanzhou_qt_depends "libqt6widgets6, libqt6printsupport6, libqt6svg6")
  if(LANZHOU_WEB_ENGINE)
    string(APPEND lanzhou_qt_depends ", libqt6webenginewidgets6")
  endif()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "${lanzhou_qt_depends}, zlib1g, libdeflate0, libstdc++6, libc6, ${lanzhou_runtime_depends}")
endif()

include(CPack)

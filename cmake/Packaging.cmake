# Install rules and the two Debian packages (make deb).
#
# zelvo-headless, the service, on Qt Core and Network only (no GUI library):
#   bin/zelvo-headless (also `zelvo-headless send`), bin/zelvo-check, bin/boxsim
#   lib/systemd/user/zelvo.service               the user service
#   share/doc/zelvo-headless/anleitung.md        the German user's guide (and its pictures)
# zelvo, the window, the tray, the menu entry and autostart; depends on the first:
#   bin/zelvo
#   share/applications/zelvo.desktop            the menu entry
#   share/icons/hicolor/scalable/apps/zelvo.svg  its icon
# Each package has share/doc/<package>/copyright and changelog.gz.
include(GNUInstallDirs)

# Debian names the maintainer from DEBFULLNAME and DEBEMAIL when one builds
# packages of one's own; the project's address otherwise.
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
  set(ZELVO_MAINTAINER_DEFAULT "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(ZELVO_MAINTAINER_DEFAULT "Zelvo-Entwickler <entwickler@zelvo.de>")
endif()
set(ZELVO_MAINTAINER "${ZELVO_MAINTAINER_DEFAULT}" CACHE STRING "Maintainer field of the Debian packages")

install(TARGETS zelvo-headless zelvo-check boxsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT headless)
# systemd looks for user units in <prefix>/lib/systemd/user, never in a
# multiarch library folder, so this is not CMAKE_INSTALL_LIBDIR.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zelvo.service DESTINATION lib/systemd/user COMPONENT headless)
# Every picture in docs/ is one of the guide's: all of them, so that none
# the guide shows is missing where it is installed.
file(GLOB ZELVO_GUIDE_PICTURES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.png)
install(FILES ${CMAKE_SOURCE_DIR}/docs/anleitung.md ${ZELVO_GUIDE_PICTURES}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelvo-headless COMPONENT headless)

install(TARGETS zelvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zelvo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zelvo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)

# copyright and the changelog in each package; the changelog's first entry
# carries this version and the maintainer, compressed as Debian wants it
# (gzip -9n: no name, no time stamp, the same bytes each build).
string(TIMESTAMP ZELVO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/changelog RESULT_VARIABLE gzipped)
if(NOT gzipped EQUAL 0)
  message(FATAL_ERROR "gzip could not compress the package changelog")
endif()
foreach(component headless gui)
  set(package zelvo-headless)
  if(component STREQUAL gui)
    set(package zelvo)
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL headless gui)
set(CPACK_PACKAGE_NAME zelvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zelvo")
set(CPACK_PACKAGE_CONTACT "${ZELVO_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # <package>_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries (dpkg-shlibdeps), per package: the
# service's binaries link Qt Core and Network only.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_HEADLESS_PACKAGE_NAME zelvo-headless)
# The page on the home network: libmicrohttpd (TLS through its GnuTLS) and
# nettle (the password's PBKDF2); calendars: libical. dpkg-shlibdeps finds
# them too; named here (in one list: a second set() would drop the first)
# so that nobody drops them and no GUI library comes with them.
set(CPACK_DEBIAN_HEADLESS_PACKAGE_DEPENDS "libmicrohttpd12, libnettle8, libical3")
set(CPACK_DEBIAN_HEADLESS_DESCRIPTION
"reminders and messages on the television, without a window
Zelvo puts text on up to four set-top boxes on the home network, D-Box 2
with Neutrino or Enigma2 receivers with OpenWebif:
reminders from a daily, a weekly and a dated list, texts sent from scripts
(zelvo-headless send), and notices when a box is switched on or off.
.
This package holds the service without a window (zelvo-headless, with a
systemd user unit), zelvo-check, which tells which reminder lines will
never fire, and boxsim, which stands in for a box. It needs no graphical
libraries. The user interface and the guide are German.")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME zelvo)
# Qt's own German texts (context menus, standard buttons) come from the
# translations package.
# The QR code of the page's address in the "Webseite…" dialog: libqrencode.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "zelvo-headless (= ${PROJECT_VERSION}), qt6-translations-l10n, libqrencode4")
# The lists are shown in "Courier New"; Liberation Mono stands in with the
# same metrics.
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_DEBIAN_GUI_DESCRIPTION
"reminders and messages on the television, with a tray icon
Zelvo puts text on up to four set-top boxes on the home network, D-Box 2
with Neutrino or Enigma2 receivers with OpenWebif:
reminders from a daily, a weekly and a dated list, texts sent at once, and
notices when a box is switched on or off.
.
This package holds the program with its window, tray icon, menu entry and
autostart; the service it runs without a screen is in zelvo-headless. The
user interface is German.")
include(CPack)

# Install rules and the Debian package (make deb).
#
# Installed layout (XDG and systemd conventions, relative to the prefix):
#   bin/zelvo, bin/zelvo-headless (what zelvo --headless runs), bin/zelvo-check, bin/boxsim
#   share/applications/zelvo.desktop            the menu entry
#   share/icons/hicolor/scalable/apps/zelvo.svg  its icon
#   lib/systemd/user/zelvo.service               the user service
#   share/doc/zelvo/README.md
include(GNUInstallDirs)

install(TARGETS zelvo zelvo-headless zelvo-check boxsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zelvo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zelvo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# systemd looks for user units in <prefix>/lib/systemd/user, never in a
# multiarch library folder, so this is not CMAKE_INSTALL_LIBDIR.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zelvo.service
        DESTINATION lib/systemd/user)
install(FILES ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zelvo")
set(CPACK_PACKAGE_CONTACT "Zelvo maintainers <maintainers@users.noreply.c-seed-7cc6bddc.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # zelvo_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries (dpkg-shlibdeps). Qt's xcb and
# offscreen plugins ship with libqt6gui6, the SVG icon plugins with libqt6svg6,
# which libqt6svgwidgets6 depends on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts in German (the window loads qtbase_de); added to the computed ones.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# The lists are shown in "Courier New"; Liberation Mono stands in with the
# same metrics.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Messages and reminders on the television through D-Box 2 set-top boxes")
set(CPACK_PACKAGE_DESCRIPTION
"Zelvo is a small tray program that puts text on up to four set-top boxes on
the home network: reminders from a daily, a weekly and a dated list, texts
sent at once, and notices when a box is switched on or off. zelvo-check
tells which reminder lines will never fire; boxsim stands in for a box.
The user interface is German.")
include(CPack)

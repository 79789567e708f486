# What `cmake --install` lays out, and the Debian package CPack makes of it (tools/package).
# The engine scripts, the sample, the desktop entry and the icons add their own rules beside the
# rules that make them.
install(TARGETS tarnwick tarnwick-play RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${lua_src}/../COPYRIGHT" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/tarnwick"
        RENAME lua-copyright)

set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Tarnwick")
set(CPACK_PACKAGE_CONTACT "Tarnwick developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "authoring environment for interactive fiction in Russian")
set(CPACK_PACKAGE_DESCRIPTION "Tarnwick builds text adventures in Russian: a world of objects in a tree, \
their methods in Lua, the parser's vocabulary and messages, a map, a console to play in, and a \
compiler that turns a project into a game that runs on its own (tarnwick-play plays it in a terminal).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked: the toolkit's Russian texts and its display plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-qpa-plugins")
include(CPack)

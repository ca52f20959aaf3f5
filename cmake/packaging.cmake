# The .deb, made by `cpack -G DEB` in a release build (scripts/dev.sh package).
# Its dependencies are read from the libraries the program links
# (dpkg-shlibdeps), plus what Qt loads by itself at run time.
set(CPACK_PACKAGE_NAME drydock)
set(CPACK_PACKAGE_VENDOR "The Drydock developers")
set(CPACK_PACKAGE_CONTACT "The Drydock developers <drydock-feedback@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mod manager for Star Trek Armada II")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "mod manager for Star Trek Armada II
 Drydock installs and uninstalls mods of Star Trek Armada II, played through
 Wine or Proton, keeping every game file a mod replaces and putting it back.
 It adds mods from their archives (zip, 7z, rar, tar), also when an archive is
 opened with it from the file manager, and offers its operations on the
 command line as well.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt at run time, so no linker sees them: the platform plugins (any
# window at all) and the SVG image plugin (the window icon).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine")
include(CPack)

# The Debian package: `cmake --build build --target package` (or `cpack -G DEB` in build/)
# makes build/quintor-video-joiner_<version>_<arch>.deb from what `cmake --install` lays out,
# under /usr. The libraries it needs are found in the built programs by dpkg-shlibdeps; the
# encoder's engine and Qt's platform plugins are programs and plugins, named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quintor-video-joiner)
set(CPACK_PACKAGE_VENDOR "Quintor Video Software")
set(CPACK_PACKAGE_CONTACT "Quintor Video Software <support@quintor-video.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join two or more video files into one")
# The lines of the long description stay within 80 columns, as the policy asks.
set(CPACK_PACKAGE_DESCRIPTION
    "Quintor Video Joiner lists video files, converts each to a common format and\n"
    "joins them into one output file with the chosen profile's video and audio\n"
    "settings. It comes with a desktop program and quintor-join, the same join\n"
    "from the command line.")
# The package installs under /usr whatever prefix the build was configured with. It is laid
# out with DESTDIR, so that the install steps that refresh the desktop's caches (which run only
# without DESTDIR) leave that to the package's triggers on the user's machine.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, hicolor-icon-theme")
include(CPack)

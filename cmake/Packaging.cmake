# The Debian package: 'cpack -G DEB' in a build folder packs everything
# 'cmake --install' puts under /usr into kestrova_<version>_<arch>.deb, with
# its Depends worked out by dpkg-shlibdeps from the programs' libraries.
set(KESTROVA_MAINTAINER "Kestrova developers <kestrova@kestrova.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrova)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KESTROVA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "merge streams of several RealMedia files into one new file")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrova merges streams taken from several RealMedia files (.rm, .rmvb)
into one new RealMedia file: packets interleaved by timestamp, index
rebuilt, nothing re-encoded and not a byte of the media changed. It comes
as a dialog, kestrova, and as a command-line program, kestrova-cli, over
the same engine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt, uchardet (the code page of a file's texts), libebml and libmatroska
# (Matroska output) and the C++ runtime come in this way.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(KESTROVA_GUI)
  # The dialog loads a Qt platform plugin at run time, which dpkg-shlibdeps
  # cannot see among the libraries it links.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
  # Qt's own translations: the file dialogs and the standard buttons in the
  # user's language, beside the dialogs' own; and a font with Chinese and
  # Japanese characters (a small one, or the one many systems have already),
  # without which those dialogs show boxes.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
endif()

include(CPack)

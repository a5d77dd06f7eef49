# The Debian package: `cpack -G DEB` in a release build folder (or the package workflow)
# writes deptrix_VERSION_ARCH.deb from the install rules.

set(CPACK_PACKAGE_NAME deptrix)
set(CPACK_PACKAGE_VENDOR "Deptrix developers")
set(CPACK_PACKAGE_CONTACT "Deptrix developers <packages@deptrix.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lenticular 3D and flip pictures from layered PSD files")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.deptrix.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Deptrix imports a layered PSD or PSB: every layer becomes a flat plane at its own
depth, and Deptrix synthesises seven parallax views that it plays as a wobbling
animation, turns into a red/cyan anaglyph, a stereo pair JPEG, an animated GIF or an
interlaced print TIFF for a lens sheet. Outlines with depth orders give a single layer
a relief of its own.

The package holds the window, deptrix, and the command line program deptrix-batch,
which does the same work without a window.")
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform plugins are
# loaded at run time, so no library names them, and without one the window cannot open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Chinese texts of the window, and the program that shows a written file.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils")

include(CPack)

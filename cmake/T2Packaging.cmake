# The Debian package, built by tools/package.sh (cpack -G DEB in the build
# folder): what cmake/T2Install.cmake installs, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavelin2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${T2_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tavelin2_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_THREADS 0)  # xz on every core: the models make up most of the package
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries the program links against come from dpkg-shlibdeps; what it only
# loads at run time is listed by hand: Qt's X11 platform and OpenGL
# integration plugins (libqt6gui6), the audio back ends of the pop sound
# (libqt6multimedia6), Mesa's OpenGL drivers and a font for the Japanese texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6gui6, libqt6multimedia6, libgl1-mesa-dri, fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "balloon-popping body-movement task for young children")
# The summary above is the first line of the package's description; CPack
# indents these lines and marks the empty one as a paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tavelin2 runs a body-movement task for developmental psychology labs. A
camera sees the child, who sees itself on a big screen; balloons appear away
from its body and it pops them by reaching. Reaction times are measured on a
1 ms clock, and each run writes a trial file and a per-frame body file.

The applications menu entry starts the program in ~/Tavelin2, where the
settings and the result files land.")
include(CPack)

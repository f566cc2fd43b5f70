# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made by CPack from the install rules:
#   cpack --config BUILD/CPackConfig.cmake -B BUILD/package
# The libraries it needs are read from the executables by dpkg-shlibdeps; the list below holds only
# what the program loads without linking it.
set(TEVRA_PACKAGE_MAINTAINER "Tevra project <tevra@users.noreply.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tevra)
set(CPACK_PACKAGE_VENDOR "Tevra project")
set(CPACK_PACKAGE_CONTACT "${TEVRA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of at most 79 characters, as lintian wants them in the control file (which indents them).
set(CPACK_PACKAGE_DESCRIPTION
    "Tevra photographs a lunar eclipse with a Canon EOS camera, for the observer
at a telescope or lens on the night of an eclipse and for the rehearsals
before it. It shows the contact times of the eclipses from 2001 to 2099 with
live countdowns, makes exposure tables from a brightness model of the
eclipsed Moon, and drives the camera through the table over USB. A simulated
camera, test runs and a shifted clock serve rehearsals; tevra-cli prints what
the program computes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows need a display plugin of Qt; the fonts stand in for the families the windows name;
# the Moon's place at the observing site comes from the ephemeris files of this century.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, swe-basic-data")
# The user guide opens in the desktop's browser through xdg-open; the window icon is drawn from its
# SVG by Qt's SVG plugin; spoken announcements need a speech engine of Qt TextToSpeech.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, libqt6svg6, qt6-speech-speechd-plugin | qt6-speech-flite-plugin")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)

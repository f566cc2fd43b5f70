# SPDX-License-Identifier: GPL-3.0-or-later
# Where `cmake --install` puts the program and its files. Every destination is relative to the
# install prefix, and the program reaches its own files from the folder of its executable, so an
# installed tree works wherever it lands (a prefix, a package, a folder it was unpacked into).
include(GNUInstallDirs)

# The rendered user guide and its pictures.
set(TEVRA_GUIDE_DIR ${CMAKE_INSTALL_DATADIR}/tevra/guide)

# The guide's page as seen from the folder of the executables: "../share/tevra/guide/index.html"
# for the usual layout, where a program started from build/shell also finds the guide the build
# renders below build/share.
set(guide_page "${CMAKE_INSTALL_FULL_DATADIR}/tevra/guide/index.html")
cmake_path(RELATIVE_PATH guide_page BASE_DIRECTORY "${CMAKE_INSTALL_FULL_BINDIR}"
           OUTPUT_VARIABLE TEVRA_GUIDE_FROM_PROGRAM)
unset(guide_page)

# Manual pages and changelogs are installed compressed, as Debian keeps them: OUTPUT is SOURCE
# through gzip, made at build time (name OUTPUT in a target's DEPENDS).
function(tevra_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND gzip -9 --no-name --stdout ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

# The Debian package: `make package` runs cpack over this build, which packs what
# `cmake --install` puts under /usr into kesto_VERSION_ARCH.deb. The install rules are those
# of src/CMakeLists.txt; this file only says how the package is named and described.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kesto)
set(CPACK_PACKAGE_VENDOR "The Kesto developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debug information stays in the build tree; a packaged binary carries none.
set(CPACK_STRIP_FILES ON)
# The folders cpack makes itself would otherwise take the permissions of the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Kesto developers <kesto@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link come from dpkg-shlibdeps; these are what Qt loads at run
# time instead: the platform plugins that put a window on a display, and the SVG support
# that draws the icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# The default editor of a double-clicked log line is xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "search many text files for a string and replace it in place")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Kesto searches many text files for a string fragment and replaces it in
place, in a window or from the command line (kesto-cli). It takes one
search/replace pair or a batch file of numbered pairs, over a list of files
or a folder walked with a filter, with match case, whole word, first or all
instances, confirm each replacement, wildcards, PCRE2 regular expressions and
preserve case.

Every file is rewritten under its own name with the original kept as a
backup beside it; an aborted run puts every original back. Each run writes a
log of the lines it changed and a journal from which it can be undone, and
can be previewed first as a log or a unified diff.]=])

include(CPack)

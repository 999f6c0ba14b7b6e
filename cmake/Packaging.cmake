# Installation layout and the Debian package (`cmake --build build --target package`).
# Included before GNUInstallDirs, so the prefix chosen here is the one every
# install path and the program itself are built with.

# Debian's programs live under /usr; a prefix given on the command line wins.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)

# The autostart entry written by the program starts the installed binary,
# wherever the running one happens to be.
add_compile_definitions(TAVO_INSTALLED_BINARY="${CMAKE_INSTALL_FULL_BINDIR}/tavo")

# Who answers for the package and where the project lives: the maintainer is
# the repository's own identity; the project address is the one the
# repository will be published at (its files are referred to by raw URL).
set(TAVO_MAINTAINER "Seed 25e27e3f maintainers <maintainers@users.noreply.c-seed-25e27e3f.example>"
    CACHE STRING "Maintainer of the Debian package")
set(TAVO_PROJECT_URL "https://github.com/tavo-app/tavo" CACHE STRING "Public home of the project")

# The release named in the program, the Debian changelog, the AppStream
# description and the manual page must agree; a version bump without the
# others stops here.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelogHead LIMIT_COUNT 1)
if(NOT changelogHead MATCHES "^tavo \\(${PROJECT_VERSION}-([0-9]+)\\) ")
    message(FATAL_ERROR "packaging/changelog does not begin with an entry for ${PROJECT_VERSION}")
endif()
set(TAVO_DEBIAN_REVISION ${CMAKE_MATCH_1})
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/tavo.1 manualHead LIMIT_COUNT 1)
string(FIND "${manualHead}" "\"Tavo ${PROJECT_VERSION}\"" manualVersion)
if(manualVersion EQUAL -1)
    message(FATAL_ERROR "packaging/tavo.1 does not name Tavo ${PROJECT_VERSION}")
endif()
file(READ ${PROJECT_SOURCE_DIR}/resources/tavo.metainfo.xml.in metainfo)
if(NOT metainfo MATCHES "<release version=\"([^\"]+)\"" OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "resources/tavo.metainfo.xml.in does not name ${PROJECT_VERSION} as its newest release")
endif()

# Installs a file compressed as Debian wants changelogs and manual pages
# (gzip -9, no time stamp): tavo_install_gzipped(SOURCE DESTINATION NAME).
function(tavo_install_gzipped source destination name)
    set(output ${PROJECT_BINARY_DIR}/packaging/${name})
    add_custom_command(
        OUTPUT ${output}
        COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${source} ${output}
        DEPENDS ${source}
        VERBATIM)
    string(MAKE_C_IDENTIFIER ${name} target)
    add_custom_target(gzip_${target} ALL DEPENDS ${output})
    install(FILES ${output} DESTINATION ${destination})
endfunction()

# What Debian expects in /usr/share/doc/tavo: the copyright file and the changelog.
set(TAVO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tavo)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright DESTINATION ${TAVO_DOC_DIR})
tavo_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/changelog ${TAVO_DOC_DIR} changelog.Debian.gz)
tavo_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/tavo.1 ${CMAKE_INSTALL_MANDIR}/man1 tavo.1.gz)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavo)
set(CPACK_PACKAGE_VENDOR "The Tavo developers")
set(CPACK_PACKAGE_CONTACT ${TAVO_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TAVO_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TAVO_PROJECT_URL})
# Libraries from the binary; what it loads or draws with at run time besides:
# the Chinese face every line and the tray icon are set in is required; the
# emoji face, the Wayland platform plugin and Qt's own Chinese texts are
# wanted everywhere but Tavo still runs without them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "tray utility for eye rests, drinking water and pelvic-floor exercises
Tavo lives in the system tray and keeps a person who works at a screen
from wearing out. It counts a work period down in its tray menu, then
covers every screen with a short full-screen eye rest that can only be
skipped by holding a button. It reminds you to drink water and to do
pelvic-floor exercises through desktop notifications, and keeps a health
log from which it writes day, week and month reports.
.
Everything it shows is in Simplified Chinese. It runs on X11 and Wayland
desktops with a system tray (StatusNotifierItem or XEmbed).")
include(CPack)

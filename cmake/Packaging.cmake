# The Debian package: `cmake --build build --target package` writes
# build/corvane_<version>_<arch>.deb. Included right after project(), because
# it settles the install prefix before any folder below builds a path from it.

include_guard(GLOBAL)

# The program finds its data (the hover pointer) under the prefix it was built
# with, so a new build folder defaults to the package's prefix, /usr. A prefix
# given on the command line is kept, and the .deb then installs there too.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install path prefix" FORCE)
endif()
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "The .deb will install under ${CMAKE_INSTALL_PREFIX}; "
    "for one that Debian tools accept configure with -DCMAKE_INSTALL_PREFIX=/usr")
endif()

include(GNUInstallDirs)
set(CORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/corvane)

find_program(CORVANE_GZIP gzip REQUIRED)

# Installs SOURCE compressed as gzip -9n (no name, no time stamp: the same
# bytes on every build), as Debian wants manual pages and changelogs, under
# DESTINATION with the name NAME (default: SOURCE's name plus ".gz").
function(corvane_install_gzipped source destination)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "NAME" "")
  get_filename_component(source ${source} ABSOLUTE)
  if(NOT arg_NAME)
    get_filename_component(arg_NAME ${source} NAME)
    string(APPEND arg_NAME .gz)
  endif()
  set(output ${CMAKE_CURRENT_BINARY_DIR}/gz/${arg_NAME})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gz
    COMMAND ${CORVANE_GZIP} -9n -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${arg_NAME}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${arg_NAME}" target)
  add_custom_target(${target} ALL DEPENDS ${output})
  install(FILES ${output} DESTINATION ${destination})
endfunction()

# Files that carry the version by hand must agree with project(); a release
# that bumps the version and forgets one of them stops here.
foreach(versioned IN ITEMS
    "packaging/changelog|corvane (${PROJECT_VERSION})"
    "resources/org.quillmark.Corvane.metainfo.xml|<release version=\"${PROJECT_VERSION}\""
    "man/corvane.1|\"Corvane ${PROJECT_VERSION}\""
    "man/corvane-find.1|\"Corvane ${PROJECT_VERSION}\"")
  string(REPLACE "|" ";" versioned "${versioned}")
  list(GET versioned 0 file)
  list(GET versioned 1 expected)
  file(READ ${PROJECT_SOURCE_DIR}/${file} text)
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${file} does not name version ${PROJECT_VERSION} (looked for: ${expected})")
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CORVANE_DOC_DIR})
corvane_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/changelog ${CORVANE_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_CONTACT "Quillmark <corvane@quillmark.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillmark.org/corvane/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate and near-duplicate files")
set(CPACK_PACKAGE_DESCRIPTION [=[
Corvane lists the files you keep twice in the folders you choose. Exact
Matches are files with equal names; Close Matches are files of equal size
whose names share most of their words, with a slider for how strict that is.

The results window shows the matches in shaded groups. Ticked files go to
the desktop trash, never deleted for good, and the last send can be undone.
A content check tells byte-identical copies from look-alikes, and keep-one
rules tick all but the first, oldest, newest or shortest file of each group.

The command corvane-find runs the same search from a shell, with text,
tab-separated or JSON output, for scripts.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
# Control files get the modes Debian policy asks for, whatever the umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CPACK_PACKAGE_HOMEPAGE_URL}")
# The libraries come from dpkg-shlibdeps (Qt's platform and SVG plugins ship
# in the same packages as the libraries that load them). What it cannot see:
# the buttons' font, and Qt's Wayland plugin, without which Qt runs through
# XWayland.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)

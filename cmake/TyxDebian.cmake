# The Debian packages: libtyxgeo0 (the shared libraries, when built shared), libtyxgeo-dev (headers,
# link names or static libraries, CMake and pkg-config files, the Designer plugin) and tyxgeo (the
# tool and the viewer), each with its copyright file and changelog, and a -dbgsym package beside it
# with the debug symbols that are stripped from the binaries. Included from TyxInstall.cmake.
set(TYX_DEB_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
set(TYX_DEB_RUNTIME libtyxgeo${PROJECT_VERSION_MAJOR})
set(tyx_packages dev|libtyxgeo-dev tool|tyxgeo)
if(BUILD_SHARED_LIBS)
  list(APPEND tyx_packages runtime|${TYX_DEB_RUNTIME})
endif()

# The machine-readable copyright file carries the project's licence text, indented as the format
# wants it (an empty line becomes " .").
set(TYX_LICENSE_NAME MIT)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE tyx_license)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(STRIP "${tyx_license}" tyx_license)
string(REPLACE "\n" "\n " tyx_license " ${tyx_license}")
string(REPLACE "\n \n" "\n .\n" tyx_license "${tyx_license}")
file(WRITE ${PROJECT_BINARY_DIR}/debian/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Tyx\n"
  "Upstream-Contact: Tyx developers <tyx@example.org>\n\n"
  "Files: *\n"
  "Copyright: 2026 Tyx developers\n"
  "License: ${TYX_LICENSE_NAME}\n\n"
  "License: ${TYX_LICENSE_NAME}\n${tyx_license}\n")
# The changelog of a native package, compressed as Debian's tools would (-n: no name, no time).
set(tyx_changelog ${PROJECT_BINARY_DIR}/debian/changelog)
add_custom_command(OUTPUT ${tyx_changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${TYX_DEB_DIR}/changelog ${tyx_changelog}
  COMMAND gzip -9nf ${tyx_changelog}
  DEPENDS ${TYX_DEB_DIR}/changelog VERBATIM)
add_custom_target(tyx_debian_changelog ALL DEPENDS ${tyx_changelog}.gz)
foreach(entry IN LISTS tyx_packages)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 component)
  list(GET entry 1 package)
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${tyx_changelog}.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# Each description is a synopsis line and paragraphs ("." between them); the libraries' packages
# share their first paragraph.
set(tyx_about "The Tyx geographic components are C++ 20 and Qt 6 libraries for geographic
desktop applications: geodesy (ellipsoids, datums, Helmert shifts, UTM and
UPS), a file-based geographic database with sorted indexes, a widget that
shows calibrated raster maps with landmarks, graticule and UTM grid, and an
atlas widget that switches maps by scale.
")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tyxgeo)
set(CPACK_PACKAGE_VENDOR "Tyx")
set(CPACK_PACKAGE_CONTACT "Tyx developers <tyx@example.org>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL dev tool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE tyxgeo)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Every binary's dependencies come from dpkg-shlibdeps; our own libraries are found in the build tree
# (they come from the runtime package, on which the others depend by name).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${tyx_library_dirs})
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# What the CMake package and the pkg-config file ask for on the host (static libraries also pass
# on ICU, libgeotiff with libtiff, and GeographicLib).
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libtyxgeo-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qt6-base-dev, libicu-dev")
if(NOT BUILD_SHARED_LIBS)
  string(APPEND CPACK_DEBIAN_DEV_PACKAGE_DEPENDS ", libtiff-dev, libgeotiff-dev, libgeographiclib-dev")
endif()
set(CPACK_COMPONENT_DEV_DESCRIPTION "Tyx geographic components: development files
${tyx_about}.
This package holds the headers, the CMake package TyxGeo, the pkg-config file
tyxgeo-core and the Qt Designer plugin for the two widgets.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME tyxgeo)
set(CPACK_COMPONENT_TOOL_DESCRIPTION "Tyx geographic components: command-line tool and atlas viewer
tyxgeo converts coordinates (UTM, UPS, earth-centred cartesian, datum shifts),
builds and queries geographic databases, imports GeoJSON, TopoJSON and CSV,
reads and writes calibration files and world files, renders calibrated maps
and builds atlases of maps drawn from a database.
.
tyxgeo-viewer is a desktop atlas: it shows calibrated maps and their town
landmarks, switches maps as the user zooms, finds places by name and reports
the position under the mouse in degrees and in UTM.")

if(BUILD_SHARED_LIBS)
  list(APPEND CPACK_COMPONENTS_ALL runtime)
  set(CPACK_COMPONENT_DEV_DEPENDS runtime)
  set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${TYX_DEB_RUNTIME})
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
  # The shlibs file ties a program to this very version: below 1.0 the soname carries only the
  # major number, while a minor version may change the interface.
  # (CPack makes the file for every package, the runtime one is the only one with sonames.)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${TYX_DEB_DIR}/triggers)
  set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Tyx geographic components: shared libraries
${tyx_about}.
This package holds the shared libraries.")
  # The ldconfig trigger above replaces the maintainer scripts CPack writes to call ldconfig.
  set(CPACK_TYX_RUNTIME_PACKAGE ${TYX_DEB_RUNTIME})
endif()
set(CPACK_POST_BUILD_SCRIPTS ${TYX_DEB_DIR}/finish-packages.cmake)
include(CPack)

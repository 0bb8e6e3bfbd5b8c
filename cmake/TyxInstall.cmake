# Install rules, the CMake package TyxGeo, the pkg-config file of the Qt-free parts, the manual
# pages and the Debian packages. Included last from the top-level CMakeLists.txt, once every library
# exists.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Library target, name in the package (TyxGeo::<name>), source folder, headers installed beside
# the folder's Tyx_*.h and tyx_*.h (a public header includes them). A new library is one line here;
# a new public header named Tyx_*.h or tyx_*.h needs nothing.
set(TYX_LIBRARIES
  "tyx_host|host|host|"
  "tyx_host_gui|host_gui|host/gui|"
  "tyx_support|support|support|"
  "tyx_geobasics|geobasics|geobasics|"
  "tyx_geodb|geodb|geodb|gdb_index.h"
  "tyx_geomap_core|geomap_core|geomap/core|"
  "tyx_geomap|geomap|geomap|"
  "tyx_geoatlas|geoatlas|geoatlas|"
)

set(tyx_targets)
set(tyx_library_dirs)
foreach(entry IN LISTS TYX_LIBRARIES)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 target)
  list(GET entry 1 name)
  list(GET entry 2 folder)
  list(GET entry 3 extra)
  set(dir ${PROJECT_SOURCE_DIR}/${folder})
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/Tyx_*.h ${dir}/tyx_*.h)
  if(extra)
    list(TRANSFORM extra PREPEND ${dir}/)
    list(APPEND headers ${extra})
  endif()
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  if(headers)
    target_sources(${target} ${scope} FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR} FILES ${headers})
  endif()
  # The public headers use C++20; hosts that compile against them need it too.
  target_compile_features(${target} ${scope} cxx_std_20)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    # Static libraries that can go into shared ones: the Designer plugin's, or a host's.
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    if(BUILD_SHARED_LIBS)
      # Installed libraries find each other wherever the prefix is staged or moved to.
      set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
                                                 INSTALL_RPATH "$ORIGIN")
    endif()
  endif()
  add_library(TyxGeo::${name} ALIAS ${target})
  list(APPEND tyx_targets ${target})
  list(APPEND tyx_library_dirs ${PROJECT_BINARY_DIR}/${folder})
endforeach()

set(TYX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/TyxGeo)
# Shared libraries themselves go to the runtime component (the tool and the viewer need them); the
# link names, static libraries, headers and CMake files to the development one.
install(TARGETS ${tyx_targets} EXPORT TyxGeoTargets COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tyx
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tyx)
install(EXPORT TyxGeoTargets NAMESPACE TyxGeo:: DESTINATION ${TYX_CMAKE_DIR} COMPONENT dev)
# Static libraries hand their own dependencies (ICU, libgeotiff, GeographicLib) on to the host's
# link, so only then does the package look for them.
if(BUILD_SHARED_LIBS)
  set(TYX_CONFIG_STATIC OFF)
else()
  set(TYX_CONFIG_STATIC ON)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TyxGeoConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/TyxGeoConfig.cmake INSTALL_DESTINATION ${TYX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TyxGeoConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TyxGeoConfig.cmake ${PROJECT_BINARY_DIR}/TyxGeoConfigVersion.cmake
              ${CMAKE_CURRENT_LIST_DIR}/TyxFindGeoTIFF.cmake
        DESTINATION ${TYX_CMAKE_DIR} COMPONENT dev)

# pkg-config for hosts without CMake or Qt: the Qt-free libraries, most dependent first. The
# prefix is found from the file's own place, so a staged or relocated install works as well.
file(RELATIVE_PATH TYX_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/tyxgeo-core.pc.in ${PROJECT_BINARY_DIR}/tyxgeo-core.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tyxgeo-core.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Programs and plugins reach the shared libraries through a path relative to their own place.
file(RELATIVE_PATH TYX_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
# Manual pages made at build time from the programs' own --help, so that they never drift from it.
# Not in a sanitizer build, whose programs are never installed (and may report leaks at exit).
find_program(TYX_HELP2MAN help2man)
if(NOT TYX_HELP2MAN)
  message(STATUS "help2man not found (Debian package help2man): no manual pages")
endif()
function(tyx_install_program target summary)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${TYX_BIN_TO_LIB}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  if(NOT TYX_HELP2MAN OR TYX_SANITIZE)
    return()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${TYX_HELP2MAN} --no-info --name=${summary} --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target} VERBATIM)
  add_custom_target(${target}_manual_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
endfunction()
if(TARGET tyxgeo)
  tyx_install_program(tyxgeo "geodesy, geographic databases and calibrated maps from the command line")
endif()
if(TARGET tyxgeo-viewer)
  tyx_install_program(tyxgeo-viewer "desktop atlas of calibrated maps with town landmarks")
  # The application menu's entry and its icon in the hicolor theme.
  set(viewer ${PROJECT_SOURCE_DIR}/apps/tyxgeo-viewer)
  install(FILES ${viewer}/tyxgeo-viewer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT tool)
  install(FILES ${viewer}/icons/tyxgeo-viewer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          COMPONENT tool)
  foreach(size 48 256)
    install(FILES ${viewer}/icons/tyxgeo-viewer-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tyxgeo-viewer.png COMPONENT tool)
  endforeach()
endif()

# The Debian packages, only for the main project, so that a host's own packaging is left alone.
if(PROJECT_IS_TOP_LEVEL)
  include(${CMAKE_CURRENT_LIST_DIR}/TyxDebian.cmake)
endif()

# TyxGeo::GeoTIFF: libgeotiff with libtiff. Debian's libgeotiff-dev ships neither a CMake package
# nor a pkg-config file, so it is found by hand, here for the build and again by the installed
# package (static libraries hand their dependencies on to the host's link).
if(NOT TARGET TyxGeo::GeoTIFF)
  find_package(TIFF REQUIRED)
  find_path(TYX_GEOTIFF_INCLUDE_DIR geotiff/geotiff.h)
  find_library(TYX_GEOTIFF_LIBRARY geotiff)
  if(NOT TYX_GEOTIFF_INCLUDE_DIR OR NOT TYX_GEOTIFF_LIBRARY)
    message(FATAL_ERROR "libgeotiff not found (Debian package libgeotiff-dev)")
  endif()
  add_library(TyxGeo::GeoTIFF UNKNOWN IMPORTED)
  set_target_properties(TyxGeo::GeoTIFF PROPERTIES
    IMPORTED_LOCATION ${TYX_GEOTIFF_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${TYX_GEOTIFF_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES TIFF::TIFF)
endif()

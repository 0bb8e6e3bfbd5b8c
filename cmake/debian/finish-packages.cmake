# Run by cpack once the packages are made, to finish what its DEB generator leaves undone:
# - the library package activates the ldconfig trigger, so the postinst and postrm that CPack
#   writes only to call ldconfig are taken out of it;
# - a debug symbol package lists its files in md5sums by their paths on the build machine, and has
#   no copyright file: its md5sums are written again, and its documentation folder is a link to
#   that of the package it belongs to (on which it depends), as Debian's own have it.
function(tyx_repack deb tree)
  execute_process(COMMAND dpkg-deb --root-owner-group -b ${tree} ${deb} OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endfunction()

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${deb} NAME)
  set(tree ${deb}.tree)
  if(name MATCHES "^${CPACK_TYX_RUNTIME_PACKAGE}_.*\\.deb$")
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb -R ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
    tyx_repack(${deb} ${tree})
  elseif(name MATCHES "^(.+)-dbgsym_.*\\.ddeb$")
    set(owner ${CMAKE_MATCH_1})
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb -R ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB_RECURSE files RELATIVE ${tree} ${tree}/usr/*)
    list(SORT files)
    set(sums "")
    foreach(f IN LISTS files)
      file(MD5 ${tree}/${f} sum)
      string(APPEND sums "${sum}  ${f}\n")
    endforeach()
    file(WRITE ${tree}/DEBIAN/md5sums "${sums}")
    file(MAKE_DIRECTORY ${tree}/usr/share/doc)
    file(CREATE_LINK ${owner} ${tree}/usr/share/doc/${owner}-dbgsym SYMBOLIC)
    tyx_repack(${deb} ${tree})
  endif()
endforeach()

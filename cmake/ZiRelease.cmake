# The downloads a publisher starts from, made by `cmake --build --preset win
# --target package` and `cmake --build --preset native --target package`
# (scripts/release makes both):
#   Windows: zinstall-VERSION-win32.zip, the kit: install.exe, the three tools,
#            the README, the packaging guide, a note on where to start, and the
#            demo package, built and as sources;
#   Linux:   zinstall-tools_VERSION_ARCH.deb, the three tools with a man page each.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "zinstall")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tools to pack games for the zinstall setup program")
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME zinstall)
  set(CPACK_PACKAGE_FILE_NAME zinstall-${PROJECT_VERSION}-win32)
  # Unpacked, the kit is one folder named like the download.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/packaging.md DESTINATION docs)
  # Notepad of older systems shows a text without CR as one line.
  configure_file(${PROJECT_SOURCE_DIR}/cmake/START-HERE.txt.in ${PROJECT_BINARY_DIR}/kit/START-HERE.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/kit/START-HERE.txt DESTINATION .)

  # The demo package is built when the kit is installed, from the programs of
  # this tree, with the tools on the build machine: the ones in the folder
  # that ZI_HOST_TOOLS_DIR names (the tools/ folder of a native tree, as
  # scripts/release passes it), or else ones built here from the same sources.
  install(CODE "
    set(ZI_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
    set(ZI_BINARY_DIR \"${PROJECT_BINARY_DIR}\")
    set(ZI_INSTALL_EXE \"$<TARGET_FILE:zinstall>\")
    set(ZI_DEMO_EXE \"$<TARGET_FILE:demo_game>\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/ZiDemoKit.cmake\")")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME zinstall-tools)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "zinstall maintainers")
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_PACKAGE_DESCRIPTION "vftool packs, lists, extracts and checks the vf archives of a game package, \
instdat writes and checks its settings file install.dat, galetool makes its launcher picture from a PNG file \
and reads Gale pictures.")
  set(CPACK_STRIP_FILES ON)
  # dpkg-shlibdeps names the libraries the tools link (zlib, libjpeg, the C++
  # runtime) with the versions this machine's packages give.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

  find_program(ZI_HELP2MAN help2man)
  if(ZI_HELP2MAN)
    set(pages)
    foreach(row "vftool|packs, lists, extracts and checks \"vf\" archives"
                "instdat|writes, reads and checks the package settings file install.dat"
                "galetool|makes launcher pictures from PNG files and reads Gale pictures")
      string(REPLACE "|" ";" row "${row}")
      list(GET row 0 tool)
      list(GET row 1 summary)
      set(page ${PROJECT_BINARY_DIR}/man/${tool}.1.gz)
      add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:${tool}> "-DSUMMARY=${summary}" -DOUT=${page}
                -P ${PROJECT_SOURCE_DIR}/cmake/ZiManPage.cmake
        DEPENDS ${tool} ${PROJECT_SOURCE_DIR}/cmake/ZiManPage.cmake
        COMMENT "man page of ${tool}" VERBATIM)
      list(APPEND pages ${page})
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${pages})
    include(GNUInstallDirs)
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(STATUS "help2man not found: the tools get no man pages (scripts/setup installs it)")
  endif()
endif()

include(CPack)

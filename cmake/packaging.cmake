# Installation and packages. `cmake --install` lays the program out as a desktop program of its platform;
# CPack makes the Debian package (Linux) or the zip (Windows) from exactly that layout, so the packages hold
# what an install holds and nothing else. Tests, tools and benchmarks have no install rules.
set(CPACK_PACKAGE_NAME mirrors)
set(CPACK_PACKAGE_VENDOR "${MIRRORS_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${MIRRORS_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Mirror walls and a light ray that you aim with the mouse")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # A folder to unpack anywhere: the program and its two texts, nothing to install.
  install(TARGETS mirrors RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(windows_name win32)
    # The 64-bit build, when its tree has been built, goes into the same zip beside the 32-bit program. The
    # file is looked for when the package is made, so building the trees in either order works.
    set(MIRRORS_WIN64_EXE ${PROJECT_SOURCE_DIR}/build-win64/mirrors.exe
        CACHE FILEPATH "The 64-bit Windows build's program, packed beside the 32-bit one when it exists")
    install(PROGRAMS ${MIRRORS_WIN64_EXE} DESTINATION . RENAME mirrors64.exe OPTIONAL)
  else()
    set(windows_name win64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${windows_name})
  include(${PROJECT_SOURCE_DIR}/cmake/msi.cmake)
else()
  install(TARGETS mirrors RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The menu entry and its icon; the icons are rendered and installed by tools/CMakeLists.txt. The entry is
  # named by the application's id, as its AppStream component names it.
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/mirrors.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          RENAME ${MIRRORS_APP_ID}.desktop)
  # The manual page, the Debian changelog and copyright file, the AppStream metainfo.
  include(${PROJECT_SOURCE_DIR}/cmake/linux_docs.cmake)
  # The Linux program carries our GDI's bitmap font, whose licence asks for its notice in every copy.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
                ${PROJECT_SOURCE_DIR}/platform/src/gdi/gdi_font.LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # The run-time dependencies (SDL2, the C and C++ libraries) as dpkg-shlibdeps finds them in the program.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MIRRORS_MAINTAINER}")
  # CPack puts the summary first and indents the rest as the Debian control file wants it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "One window with an open polyline of red mirror walls. The left button sets a\nlaunch point and a yellow ray leaves it toward the cursor, reflected at every\nwall it meets by the mirror law; the right button draws new walls vertex by\nvertex.")
endif()

include(CPack)

# The Windows program's resources: its icon, its version and its manifest (packaging/mirrors.rc.in).
#
# The icon is the program's own frame, rendered by tools/icon, which runs only on the build machine: the
# Linux build tree (the Makefile's build/) makes it, and is configured here as `make run` would if it has not
# been yet. One build of tools/icon serves both Windows trees and the Linux package, and no second host
# toolchain is set up inside a cross-compiling tree.
enable_language(RC)
set(MIRRORS_HOST_BUILD ${PROJECT_SOURCE_DIR}/build
    CACHE PATH "Linux build tree of this source whose tools/icon renders the Windows icon")
set(MIRRORS_ICO ${MIRRORS_HOST_BUILD}/tools/icons/mirrors.ico)
add_custom_target(windows_icon
                  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DBUILD=${MIRRORS_HOST_BUILD}
                          -P ${PROJECT_SOURCE_DIR}/cmake/host_icon.cmake
                  BYPRODUCTS ${MIRRORS_ICO}
                  COMMENT "The Windows icon from the Linux tree ${MIRRORS_HOST_BUILD}")

set(MIRRORS_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/mirrors.manifest)
configure_file(${PROJECT_SOURCE_DIR}/packaging/mirrors.manifest.in ${MIRRORS_MANIFEST} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/mirrors.rc.in ${CMAKE_CURRENT_BINARY_DIR}/mirrors.rc @ONLY)
target_sources(mirrors PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/mirrors.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/mirrors.rc PROPERTIES
                            OBJECT_DEPENDS "${MIRRORS_ICO};${MIRRORS_MANIFEST}")
add_dependencies(mirrors windows_icon)

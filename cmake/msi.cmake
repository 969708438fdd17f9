# The Windows Installer package of this tree's program, mirrors-<version>-win32.msi or -win64.msi, built by
# wixl (msitools) from packaging/mirrors.wxs.in with every build of the tree. Without wixl there is none.
find_program(MIRRORS_WIXL wixl)
if(NOT MIRRORS_WIXL)
  message(STATUS "wixl not found: no MSI package (Debian's wixl package has it)")
  return()
endif()
# Each architecture's components have ids of their own: their files go to different folders.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(msi_arch x64)
  set(MSI_PROGRAM_FILES ProgramFiles64Folder)
  set(MSI_WIN64 yes)
  set(MSI_PROGRAM_GUID ca74da1d-979c-41ec-8d00-474aadeb41df)
  set(MSI_SHORTCUT_GUID 81081173-db63-4ee3-9869-928ae67aac79)
else()
  set(msi_arch x86)
  set(MSI_PROGRAM_FILES ProgramFilesFolder)
  set(MSI_WIN64 no)
  set(MSI_PROGRAM_GUID 188c11f7-8f19-41a8-9ea4-7419c34a93a8)
  set(MSI_SHORTCUT_GUID f869bbaf-efcb-47b7-837c-f21c34072991)
endif()
# wixl takes its sources by paths relative to the folder it runs in, never absolute ones.
set(MIRRORS_MSI_EXE mirrors.exe)
file(RELATIVE_PATH MSI_ICO ${CMAKE_BINARY_DIR} ${MIRRORS_ICO})
file(RELATIVE_PATH MSI_SOURCE_DIR ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
set(msi_source ${CMAKE_BINARY_DIR}/mirrors.wxs)
configure_file(${PROJECT_SOURCE_DIR}/packaging/mirrors.wxs.in ${msi_source} @ONLY)
set(msi ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.msi)
add_custom_command(OUTPUT ${msi}
                   COMMAND ${MIRRORS_WIXL} --arch ${msi_arch} --output ${msi} ${msi_source}
                   DEPENDS mirrors windows_icon ${msi_source} ${PROJECT_SOURCE_DIR}/README.md
                           ${PROJECT_SOURCE_DIR}/LICENSE
                   WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                   COMMENT "Building the Windows Installer package ${CPACK_PACKAGE_FILE_NAME}.msi")
add_custom_target(msi ALL DEPENDS ${msi})

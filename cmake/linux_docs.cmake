# The texts a Debian system expects of a program: its manual page, the package's changelog and
# machine-readable copyright file, and the AppStream metainfo by which software centres list it. Made when the
# tree is configured, so that `cmake --install` after any build (`make run` builds only the program) finds
# them; compressed with `gzip -9n` (no name, no time stamp), so the same source gives the same bytes.
set(docs ${CMAKE_BINARY_DIR}/docs)
file(MAKE_DIRECTORY ${docs})
execute_process(COMMAND date -u -d ${MIRRORS_RELEASE_DATE} -R OUTPUT_VARIABLE MIRRORS_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

function(mirrors_gzipped template out)
  configure_file(${template} ${docs}/${out} @ONLY)
  execute_process(COMMAND gzip -9n --force --keep ${docs}/${out} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
mirrors_gzipped(${PROJECT_SOURCE_DIR}/packaging/mirrors.1 mirrors.1)
mirrors_gzipped(${PROJECT_SOURCE_DIR}/packaging/changelog.in changelog)
configure_file(${PROJECT_SOURCE_DIR}/packaging/metainfo.xml.in ${docs}/${MIRRORS_APP_ID}.metainfo.xml @ONLY)

install(FILES ${docs}/mirrors.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${docs}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${docs}/${MIRRORS_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

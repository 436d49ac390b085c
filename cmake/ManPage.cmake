# kestrova_man_page(PAGE): fills the version into PAGE.in of this folder,
# compresses the page as Debian keeps manual pages, and installs it in man1.
find_program(GZIP gzip REQUIRED)

function(kestrova_man_page page)
  set(filled ${CMAKE_CURRENT_BINARY_DIR}/${page})
  configure_file(${page}.in ${filled} @ONLY)
  add_custom_command(OUTPUT ${filled}.gz
    COMMAND ${GZIP} -9 --no-name --force --keep ${filled}
    DEPENDS ${filled}
    COMMENT "Compressing the manual page ${page}")
  add_custom_target(man_page_${page} ALL DEPENDS ${filled}.gz)
  install(FILES ${filled}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

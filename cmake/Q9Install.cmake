# What `cmake --install` puts in place: the two programs (and the window
# program that q9convert starts, in libexec), their manual pages
# (made at build time by help2man from their --help and --version), and the
# desktop entry with the window's icon.
include(GNUInstallDirs)

install(TARGETS q9convert q9seq RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS q9convert_window RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/q9convert)

find_program(Q9_HELP2MAN help2man REQUIRED)
set(q9convert_SUMMARY "convert pictures, videos and Q8100 sequences into Q9100 sign sequences")
set(q9seq_SUMMARY "print, make and draw Q9100 and Q8100 sign sequence files")
set(Q9_MAN_PAGES)
foreach(tool q9convert q9seq)
  set(page ${CMAKE_BINARY_DIR}/man/${tool}.1)
  # The programs print their help without a display; a sanitized build must
  # not fail the page on the leak check at exit.
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${Q9_HELP2MAN} --no-info --name=${${tool}_SUMMARY} --output=${page}
            $<TARGET_FILE:${tool}>
    DEPENDS ${tool}
    COMMENT "Manual page ${tool}.1"
    VERBATIM)
  list(APPEND Q9_MAN_PAGES ${page})
endforeach()
add_custom_target(q9_man_pages ALL DEPENDS ${Q9_MAN_PAGES})
install(FILES ${Q9_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/src/app/resources/q9convert.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/app/resources/q9convert.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

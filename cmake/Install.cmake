# Installed layout: bin/velmora, lib/velmora/vlmr/client.exe (a link to the
# system's ffmpeg), share/velmora/help, a desktop entry and the icons.
#
# The program finds its client and its help page relative to its own folder,
# so those two places follow from the program's folder, not from
# CMAKE_INSTALL_LIBDIR / DATADIR (on Debian, LIBDIR may be
# lib/x86_64-linux-gnu, where the program would never look).
install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

cmake_path(SET velmora_help_dest NORMALIZE "${CMAKE_INSTALL_BINDIR}/../share/velmora")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help DESTINATION ${velmora_help_dest})

# Desktop integration, where the freedesktop specs look for it.
install(FILES ${PROJECT_SOURCE_DIR}/resources/velmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/velmora.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/velmora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The client's base folder, as the installed program will compute it: an
# absolute VELMORA_DEFAULT_BASE_DIR is used as is (under DESTDIR), a relative
# one is taken from the program's folder.
if(IS_ABSOLUTE "${VELMORA_DEFAULT_BASE_DIR}")
  cmake_path(SET velmora_install_base NORMALIZE "${VELMORA_DEFAULT_BASE_DIR}")
  set(velmora_install_base_code "\$ENV{DESTDIR}${velmora_install_base}")
else()
  cmake_path(SET velmora_install_base NORMALIZE
             "${CMAKE_INSTALL_BINDIR}/${VELMORA_DEFAULT_BASE_DIR}")
  if(IS_ABSOLUTE "${velmora_install_base}")
    set(velmora_install_base_code "\$ENV{DESTDIR}${velmora_install_base}")
  else()
    set(velmora_install_base_code "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${velmora_install_base}")
  endif()
endif()

# A link, not a copy: the client is the system's ffmpeg and follows its
# updates. CREATE_LINK replaces an existing link, so installing again is fine.
install(CODE "
  set(base \"${velmora_install_base_code}/vlmr\")
  file(MAKE_DIRECTORY \"\${base}\")
  file(CREATE_LINK \"${VELMORA_FFMPEG}\" \"\${base}/client.exe\" SYMBOLIC RESULT linked)
  if(NOT linked EQUAL 0)
    message(FATAL_ERROR \"Cannot link \${base}/client.exe -> ${VELMORA_FFMPEG}: \${linked}\")
  endif()
  message(STATUS \"Linking: \${base}/client.exe -> ${VELMORA_FFMPEG}\")
")

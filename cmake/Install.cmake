# Installed layout: bin/velmora, lib/velmora/vlmr/client.exe (a link to the
# system's ffmpeg), share/velmora/help, a desktop entry and an icon.
install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora)
install(CODE "
  set(base \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/velmora/vlmr\")
  file(MAKE_DIRECTORY \"\${base}\")
  file(CREATE_LINK \"${VELMORA_FFMPEG}\" \"\${base}/client.exe\" SYMBOLIC)
  message(STATUS \"Linking: \${base}/client.exe -> ${VELMORA_FFMPEG}\")
")

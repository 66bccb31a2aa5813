# Install layout: the programs in bin/, the desktop entry and icons where freedesktop menus
# look for them, and the read-me in share/doc/quorva/, which the program finds relative to
# its own bin/ folder. The paths stay fixed rather than following GNUInstallDirs, because
# the program looks for the read-me at exactly ../share/doc/quorva.

install(TARGETS quorva-cli RUNTIME DESTINATION bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/readme.txt DESTINATION share/doc/quorva)

# A systemd user timer that runs "quorva-cli sync" every 15 minutes, put in place but left
# disabled (systemctl --user enable --now quorva-sync.timer). The service names the installed
# quorva-cli, whose folder is known only when installing.
if(QUORVA_ICS)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/quorva-sync.timer
    DESTINATION share/systemd/user)
  install(CODE [[
    set(unit "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/systemd/user/quorva-sync.service")
    message(STATUS "Installing: ${unit}")
    file(WRITE "${unit}" "[Unit]
Description=Quorva: sync the events file with its CalDAV calendar
After=network-online.target

[Service]
Type=oneshot
ExecStart=${CMAKE_INSTALL_PREFIX}/bin/quorva-cli sync
")
  ]])
endif()

if(QUORVA_GUI)
  install(TARGETS quorva RUNTIME DESTINATION bin)
  install(TARGETS quorva_sound LIBRARY DESTINATION lib/quorva)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/quorva.desktop
    DESTINATION share/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/icons/quorva.png
    DESTINATION share/icons/hicolor/64x64/apps)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/icons/quorva.svg
    DESTINATION share/icons/hicolor/scalable/apps)
endif()

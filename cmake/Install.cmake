# Installing the tool (cmake --install) and packaging it (CPack: a .deb and a .tar.gz).
#
# PREFIX/bin          VX42, VX42RelayControl, vx42ctl
# PREFIX/share/vx42-configurator   the shipped data: Libraries/, GaugePresets.CFG, Demo.DVF,
#                     Firmware/, Instructions/ (the manual); the programs find it from bin/
# PREFIX/share/applications, icons, metainfo, man, bash-completion, doc
# PREFIX/lib/udev/rules.d   the cable's access rule

include(GNUInstallDirs)
set(VX42_PACKAGE_NAME vx42-configurator)
set(share ${CMAKE_INSTALL_DATADIR}/${VX42_PACKAGE_NAME})
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS vx42ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET VX42)
  install(TARGETS VX42 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The relay-control mode is the same program under its own name.
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK VX42 \"\${bin}/VX42RelayControl\" SYMBOLIC)")
endif()

# The shipped data.
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Libraries DESTINATION ${share} FILES_MATCHING PATTERN "*.DVM")
install(FILES ${PROJECT_SOURCE_DIR}/data/GaugePresets.CFG ${CMAKE_BINARY_DIR}/bin/Demo.DVF
        DESTINATION ${share})
install(DIRECTORY DESTINATION ${share}/Firmware)
if(VX42_MANUAL_PDF)
  install(FILES "${VX42_MANUAL_PDF}" DESTINATION ${share}/Instructions)
endif()

# The desktop: an entry for each mode, the icon, the metainfo.
install(FILES ${packaging}/${VX42_APP_ID}.desktop ${packaging}/${VX42_APP_ID}RelayControl.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/vx42.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${VX42_APP_ID}.svg)
if(TARGET vx42_icons)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()
# The release notes, from NEWS, in the metainfo and the package's changelog.
include(${CMAKE_CURRENT_LIST_DIR}/News.cmake)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS)
vx42_read_news(${PROJECT_SOURCE_DIR}/NEWS ${VX42_PACKAGE_NAME} "Kestrane <support@kestrane.example>")
configure_file(${packaging}/${VX42_APP_ID}.metainfo.xml.in ${generated}/${VX42_APP_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${VX42_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The file types (calibration, message library, gauge presets, firmware, bootloader) with an
# icon each: the sheet of packaging/vx42-file.svg.in with the type's extension.
install(FILES ${packaging}/vx42-configurator.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
foreach(type_label_colour
    "calibration|DVF|#2f4f6f" "message-library|DVM|#3d7a3d" "gauge-presets|CFG|#8a5a00"
    "firmware|ROM|#8c2a20" "bootloader|BLU|#5a3d7a")
  string(REPLACE "|" ";" parts "${type_label_colour}")
  list(GET parts 0 type)
  list(GET parts 1 LABEL)
  list(GET parts 2 COLOUR)
  configure_file(${packaging}/vx42-file.svg.in
                 ${generated}/mimetypes/application-x-vx42-${type}.svg @ONLY)
  install(FILES ${generated}/mimetypes/application-x-vx42-${type}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
endforeach()

# vx42ctl: its man page (the hand-written page with the program's own commands put in by
# make_vx42ctl_man) and its bash completion.
find_program(GZIP gzip REQUIRED)
configure_file(${packaging}/vx42ctl.1.in ${generated}/vx42ctl.1.in @ONLY)
add_custom_command(OUTPUT ${generated}/vx42ctl.1.gz
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:make_vx42ctl_man> ${generated}/vx42ctl.1.in ${generated}/vx42ctl.1
  COMMAND ${GZIP} -9nf ${generated}/vx42ctl.1
  DEPENDS make_vx42ctl_man ${generated}/vx42ctl.1.in
  COMMENT "Making the vx42ctl man page"
  VERBATIM)
add_custom_target(vx42ctl_man ALL DEPENDS ${generated}/vx42ctl.1.gz)
install(FILES ${generated}/vx42ctl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The window's man page, for both of its names.
if(TARGET VX42)
  add_custom_command(OUTPUT ${generated}/VX42.1.gz
    COMMAND ${GZIP} -9nc ${packaging}/VX42.1 > ${generated}/VX42.1.gz
    DEPENDS ${packaging}/VX42.1)
  add_custom_target(vx42_man ALL DEPENDS ${generated}/VX42.1.gz)
  install(FILES ${generated}/VX42.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(CODE "
    file(CREATE_LINK VX42.1.gz
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1/VX42RelayControl.1.gz\" SYMBOLIC)")
endif()
install(FILES ${packaging}/vx42ctl.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME vx42ctl)

# The cable's access rule for the logged-in user.
install(FILES ${packaging}/60-vx42-bridge.rules DESTINATION lib/udev/rules.d)

# The package's documents.
file(CONFIGURE OUTPUT ${generated}/changelog CONTENT "@VX42_DEBIAN_CHANGELOG@" @ONLY)
add_custom_command(OUTPUT ${generated}/changelog.gz
  COMMAND ${GZIP} -9nkf ${generated}/changelog
  DEPENDS ${generated}/changelog
  VERBATIM)
add_custom_target(vx42_changelog ALL DEPENDS ${generated}/changelog.gz)
install(FILES ${packaging}/copyright ${generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VX42_PACKAGE_NAME})

# The top of the .tar.gz: a README and the script that puts the unpacked programs in the
# user's application menu (CPackPerGenerator.cmake adds them to that package only).
set(tarball_top ${generated}/tarball)
set(ARCH ${CMAKE_SYSTEM_PROCESSOR})
configure_file(${packaging}/tarball/README ${tarball_top}/README @ONLY)
file(COPY ${packaging}/tarball/setup-desktop.sh DESTINATION ${tarball_top}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
set(CPACK_VX42_TARBALL_TOP ${tarball_top})

# Packages: scripts/package.sh runs CPack in the build folder.
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_PACKAGE_NAME ${VX42_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Kestrane")
set(CPACK_PACKAGE_CONTACT "Kestrane <support@kestrane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the VX42 gauge and relay interface module")
set(CPACK_PACKAGE_DESCRIPTION
"The VX42 is an automotive interface module that listens to CAN-bus traffic
and drives relays, analog and voltage gauge outputs and speedometer or
tachometer outputs from what it hears. This tool connects to a module over
its USB cable, retrieves and edits its calibration output by output,
calibrates gauges live, keeps calibrations and CAN message libraries as
files, and upgrades the module's firmware. The command-line tool vx42ctl
does the same for scripts, and a built-in module simulator lets the tool
be tried without a module.")
set(CPACK_PACKAGE_FILE_NAME "${VX42_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_PROCESSOR}")
# The .deb's programs are stripped as their symbols go to the -dbgsym package (below); the
# .tar.gz strips its own (CPackPerGenerator.cmake).
set(CPACK_STRIP_FILES FALSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.kestrane.example/vx42")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help > Installation Manual and the About box's web address open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The programs' debug symbols, split off into vx42-configurator-dbgsym (a .ddeb).
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging}/postinst ${packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# The .deb installs under /usr; the .tar.gz unpacks to a folder that runs where it lies.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackPerGenerator.cmake)
include(CPack)

# The package test builds the .deb from a finished build and checks it (not in the sanitizer
# build: the package is made from the plain one).
if(NOT VX42_SANITIZE)
  add_test(NAME package_deb COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_deb PROPERTIES LABELS package TIMEOUT 600 RUN_SERIAL TRUE)
  # With the package installed on this machine: a calibration file opened by xdg-open in a
  # clean home under Xvfb shows in the window (skipped when it is not installed).
  add_test(NAME package_xdg_open COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/xdg_open_test.sh)
  set_tests_properties(package_xdg_open PROPERTIES LABELS package TIMEOUT 120 SKIP_RETURN_CODE 77)
endif()

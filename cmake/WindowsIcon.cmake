# The program's icon for Windows, vx42.ico in the build folder (target vx42_ico): the PNG sizes
# of packaging/icons, the small ones as bitmaps and the 256-pixel one as the PNG itself. The
# window carries it as its resource (Explorer and the title bar show it) and the installer gives
# it to the file types and shortcuts.
find_program(VX42_ICOTOOL icotool)
if(NOT VX42_ICOTOOL)
  message(FATAL_ERROR "The Windows build needs icotool (Debian's icoutils; "
                      "scripts/install-deps.sh installs it)")
endif()
set(VX42_ICO ${CMAKE_BINARY_DIR}/vx42.ico)
set(icons ${PROJECT_SOURCE_DIR}/packaging/icons/hicolor)
set(small_icons)
foreach(size 16 24 32 48)
  list(APPEND small_icons ${icons}/${size}x${size}/apps/${VX42_APP_ID}.png)
endforeach()
set(large_icon ${icons}/256x256/apps/${VX42_APP_ID}.png)
add_custom_command(OUTPUT ${VX42_ICO}
  COMMAND ${VX42_ICOTOOL} -c -o ${VX42_ICO} ${small_icons} --raw=${large_icon}
  DEPENDS ${small_icons} ${large_icon}
  VERBATIM)
add_custom_target(vx42_ico ALL DEPENDS ${VX42_ICO})

# The Windows installer, VX42-Configurator-VERSION-x64.msi in the build folder (target msi,
# part of the build; scripts/windows-installer.sh makes it): the folder that
# packaging/windows/stage-files.sh lays out from bin/, packed by packaging/windows/make-msi.sh
# with wixl, which says what it installs and registers. The test windows_installer installs
# it under Wine.
find_program(VX42_WIXL wixl)
if(NOT VX42_WIXL)
  message(FATAL_ERROR "The Windows installer needs wixl (Debian's wixl; "
                      "scripts/install-deps.sh installs it)")
endif()

set(msi_folder ${CMAKE_BINARY_DIR}/msi)
set(msi_scripts ${PROJECT_SOURCE_DIR}/packaging/windows)
set(VX42_MSI ${CMAKE_BINARY_DIR}/VX42-Configurator-${PROJECT_VERSION}-x64.msi)

# The installation manual: the one this build renders (with the window), else one rendered
# by another build, by default the Linux build's in build/ when it has one.
set(linux_manual "${PROJECT_SOURCE_DIR}/build/bin/Instructions/${VX42_MANUAL_NAME}")
if(NOT EXISTS "${linux_manual}")
  set(linux_manual "")
endif()
set(VX42_INSTALLER_MANUAL "${linux_manual}" CACHE FILEPATH
    "The installation manual the Windows installer ships when this build does not render it")
set(manual "${VX42_INSTALLER_MANUAL}")
if(VX42_MANUAL_PDF)
  set(manual "${VX42_MANUAL_PDF}")
endif()

# What the installed folder is made of, so that the installer is made again when one changes;
# the window's Qt DLLs and plugins are taken as the window's build leaves them in bin/.
set(inputs ${CMAKE_BINARY_DIR}/bin/Demo.DVF ${PROJECT_SOURCE_DIR}/data/GaugePresets.CFG
    ${PROJECT_SOURCE_DIR}/packaging/copyright ${VX42_ICO}
    ${msi_scripts}/stage-files.sh ${msi_scripts}/make-msi.sh ${manual})
file(GLOB library_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/libraries/*.json)
foreach(source ${library_sources})
  get_filename_component(stem ${source} NAME_WE)
  list(APPEND inputs ${CMAKE_BINARY_DIR}/bin/Libraries/${stem}.DVM)
endforeach()
set(programs vx42ctl)
if(TARGET VX42)
  list(APPEND programs VX42)
endif()

# With the window: Qt's DLLs and plugins from where Qt for Windows is installed, unless a
# deployment put them beside the programs in bin/.
set(qt_dlls "")
set(qt_plugins "")
if(TARGET VX42 AND TARGET Qt6::Core)
  get_target_property(qt_core Qt6::Core LOCATION)
  get_filename_component(qt_dlls "${qt_core}" DIRECTORY)
  if(QT6_INSTALL_PREFIX AND QT6_INSTALL_PLUGINS)
    set(qt_plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
  endif()
endif()

get_filename_component(msi_name ${VX42_MSI} NAME)
add_custom_command(OUTPUT ${VX42_MSI}
  COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP} CXX=${CMAKE_CXX_COMPILER}
          DLL_DIRS=${qt_dlls} QT_PLUGINS=${qt_plugins}
          bash ${msi_scripts}/stage-files.sh ${CMAKE_BINARY_DIR}/bin ${msi_folder}/stage
          ${VX42_ICO} "${manual}"
  COMMAND ${CMAKE_COMMAND} -E env WIXL=${VX42_WIXL}
          bash ${msi_scripts}/make-msi.sh ${msi_folder}/stage ${PROJECT_VERSION} ${VX42_MSI}
  DEPENDS ${programs} vx42_ico demo_calibration vx42_example_libraries ${inputs}
  COMMENT "Making the Windows installer ${msi_name}"
  VERBATIM)
add_custom_target(msi ALL DEPENDS ${VX42_MSI})

# Installed silently in a Wine prefix of its own, used, and uninstalled; then once more as a
# package with the windows (stand-ins of VX42.exe and its Qt DLLs) when the build has none.
add_test(NAME windows_installer
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/windows_installer_test.sh
                 ${CMAKE_BINARY_DIR} ${VX42_MSI} ${PROJECT_VERSION} "${manual}")
set_tests_properties(windows_installer PROPERTIES LABELS package TIMEOUT 600
                     ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP};CXX=${CMAKE_CXX_COMPILER};WIXL=${VX42_WIXL}")

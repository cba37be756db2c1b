# Read by CPack for each generator: the .deb installs under /usr, the .tar.gz keeps PREFIX's
# layout (bin/, share/...) at its top, beside its README and setup-desktop.sh.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX "/")
  set(CPACK_STRIP_FILES TRUE)
  set(CPACK_INSTALLED_DIRECTORIES "${CPACK_VX42_TARBALL_TOP};.")
endif()

# Read by CPack for each generator: the .deb installs under /usr, the .tar.gz keeps PREFIX's
# layout (bin/, share/...) at its top.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX "/")
endif()

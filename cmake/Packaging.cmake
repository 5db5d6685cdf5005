# The programs' installation and the Debian package ("make package" at the top, or cpack -G DEB).
install(TARGETS brisvane brisvane-convert brisvane-inpaint RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisvane)
set(CPACK_PACKAGE_VENDOR Tarnwick)
set(CPACK_PACKAGE_CONTACT "Tarnwick <packages@brisvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove date stamps and other small marks from photos")
set(CPACK_PACKAGE_DESCRIPTION [=[
Brisvane removes the date a camera printed into a photo, and other small
marks. Gather BMP, JPEG and GIF pictures in a list, step through them, paint
a green box or polygon over the mark and start the removal: the mark is
filled with patches copied from the same photo. Results are saved beside
each source or into one folder, in the source's format.]=])
set(CPACK_PACKAGE_INSTALL_DIRECTORY brisvane)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # brisvane_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.brisvane.example/")
# Libraries the programs link to are found by dpkg-shlibdeps. What is only loaded at run time is
# named here: Qt's platform plugins, and a font with Arial's metrics (the windows' captions are
# laid out for Arial; fontconfig maps it to Liberation Sans).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# Installing like any Linux program: the executable in bin/, the skin in share/velmora/, a desktop
# entry with its icon and the motion file type, and the udev rule of the USB bridge. CPack turns
# the same layout into a .deb.
include(GNUInstallDirs)

set(VELMORA_LINUX_DIR ${PROJECT_SOURCE_DIR}/resources/linux)

install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/skin DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora)
install(FILES ${VELMORA_LINUX_DIR}/velmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velmora.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
install(FILES ${VELMORA_LINUX_DIR}/velmora-motion.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME velmora.xml)
# udev reads its rules from lib/ under the prefix, whatever the libraries' folder is called.
install(FILES ${VELMORA_LINUX_DIR}/70-velmora-cp2110.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora Project")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Motion editor for a two-link serial-servo robot arm")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmora edits motions (lists of poses) for a small horizontal two-link robot arm with\n\
serial-bus servos, shows them in a top-view simulator and plays them on the robot over a\n\
CP2110 USB HID-to-UART bridge. A built-in virtual robot lets you try it without one.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora Project <velmora@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the executable links (Qt 6 Widgets, hidapi, the C++ runtime) come from
# dpkg-shlibdeps under the names this release of Debian gives them; Qt's platform plugins are
# loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libqt6svg6 comes through shlibdeps as well; the Hershey fonts are data the text command reads.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, hershey-fonts-data")
if(VELMORA_PYTHON_DEPENDS)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${VELMORA_PYTHON_DEPENDS}")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${VELMORA_LINUX_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

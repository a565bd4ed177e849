# Installation in FHS places, the CMake package and pkg-config file of the SDK, and the Debian
# packages CPack builds from the same rules (one per component):
#   libnorvanefunc      runtime: libNorvaneFunc.so, libHalbox.so, the USB-CAN adapter's udev rule
#   libnorvanefunc-dev  headers, CMake package, pkg-config file, the example host program
#   kestrin             the evaluation program with its language files, images, manual, menu entry
#   norvane-sim         the bus simulator
# Kestrin looks for Language/, Images/ and Help/ beside its executable and loads
# libNorvaneFunc.so by name, so the program lives in a folder of its own under the library
# folder (its run path reaches the SDK one level up) with links to the shared data, and
# bin/kestrin points at it.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(norvane_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/NorvaneFunc)
set(kestrin_dir ${CMAKE_INSTALL_LIBDIR}/kestrin)
set(kestrin_data ${CMAKE_INSTALL_DATADIR}/kestrin)

install(TARGETS NorvaneFunc EXPORT NorvaneFuncTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT sdk
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS Halbox LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT sdk)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-norvane-usbcan.rules
        DESTINATION lib/udev/rules.d COMPONENT sdk)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/norvane ${PROJECT_SOURCE_DIR}/include/halbox
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(EXPORT NorvaneFuncTargets NAMESPACE Norvane:: DESTINATION ${norvane_cmake_dir} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/NorvaneFuncConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/NorvaneFuncConfig.cmake INSTALL_DESTINATION ${norvane_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/NorvaneFuncConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/NorvaneFuncConfig.cmake ${PROJECT_BINARY_DIR}/NorvaneFuncConfigVersion.cmake
        DESTINATION ${norvane_cmake_dir} COMPONENT dev)
# The pkg-config file finds the prefix from its own place, so a staged or moved tree works too.
file(RELATIVE_PATH NORVANE_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" NORVANE_PC_TO_PREFIX "${NORVANE_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/NorvaneFunc.pc.in ${PROJECT_BINARY_DIR}/NorvaneFunc.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/NorvaneFunc.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/examples/host_demo.c
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libnorvanefunc-dev/examples COMPONENT dev)

if(TARGET norvane-sim)
  install(TARGETS norvane-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sim)
endif()

if(TARGET kestrin)
  file(RELATIVE_PATH kestrin_to_data /${kestrin_dir} /${kestrin_data})
  file(RELATIVE_PATH kestrin_to_doc /${kestrin_dir} /${CMAKE_INSTALL_DATADIR}/doc/kestrin)
  file(RELATIVE_PATH bin_to_kestrin /${CMAKE_INSTALL_BINDIR} /${kestrin_dir}/kestrin)
  set_target_properties(kestrin PROPERTIES INSTALL_RPATH "$ORIGIN;$ORIGIN/..")
  install(TARGETS kestrin RUNTIME DESTINATION ${kestrin_dir} COMPONENT kestrin)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/bench/Language ${PROJECT_SOURCE_DIR}/bench/Images
          DESTINATION ${kestrin_data} COMPONENT kestrin)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/Kestrin-manual.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrin
          COMPONENT kestrin)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestrin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT kestrin)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestrin.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT kestrin)
  # Relative links, so a staged or relocated tree stays whole.
  install(CODE "
    set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${root}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ${kestrin_to_data}/Language \"\${root}/${kestrin_dir}/Language\" SYMBOLIC)
    file(CREATE_LINK ${kestrin_to_data}/Images \"\${root}/${kestrin_dir}/Images\" SYMBOLIC)
    file(CREATE_LINK ${kestrin_to_doc} \"\${root}/${kestrin_dir}/Help\" SYMBOLIC)
    file(CREATE_LINK ${bin_to_kestrin} \"\${root}/${CMAKE_INSTALL_BINDIR}/kestrin\" SYMBOLIC)
  " COMPONENT kestrin)
endif()

# Every package carries its copyright file and changelog where Debian's policy wants them.
set(norvane_changelog ${PROJECT_BINARY_DIR}/changelog.gz)
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog OUTPUT_FILE ${norvane_changelog})
foreach(pair sdk:libnorvanefunc dev:libnorvanefunc-dev kestrin:kestrin sim:norvane-sim)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${norvane_changelog}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# ---- Debian packages (cpack -G DEB in the build folder) ----
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_SDK_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR "Norvane")
set(CPACK_PACKAGE_CONTACT "Norvane developers <dev@norvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CAN-bus controller SDK, evaluation program and bus simulator")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
find_program(NORVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NORVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_COMPONENTS_ALL sdk dev kestrin sim)
set(CPACK_DEBIAN_SDK_PACKAGE_NAME libnorvanefunc)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libnorvanefunc-dev)
set(CPACK_DEBIAN_KESTRIN_PACKAGE_NAME kestrin)
set(CPACK_DEBIAN_SIM_PACKAGE_NAME norvane-sim)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_SDK_DESCRIPTION "NorvaneFunc SDK and the Halbox PCI CAN card library\n The SDK finds CAN-bus gateways, discovers the controllers behind them\n and sends them commands.")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Development files of the NorvaneFunc SDK\n C header, CMake package, pkg-config file and an example host program.")
set(CPACK_COMPONENT_KESTRIN_DESCRIPTION "Kestrin, evaluation program for Norvane CAN-bus controllers\n A Qt window for searching gateways, listing nodes and sending commands.")
set(CPACK_COMPONENT_SIM_DESCRIPTION "Bus simulator for Norvane CAN-bus gateways and devices\n Simulated gateways on loopback addresses and pseudo-terminals\n with devices behind them.")
set(CPACK_COMPONENT_DEV_DEPENDS sdk)
set(CPACK_COMPONENT_KESTRIN_DEPENDS sdk)
set(CPACK_DEBIAN_SDK_PACKAGE_DEPENDS "libusb-0.1-4")
include(CPack)

# Installation in FHS places, the CMake package and pkg-config file of the SDK, and the Debian
# packages CPack builds from the same rules (one per component):
#   libnorvanefunc      runtime: libNorvaneFunc.so, libHalbox.so, the USB-CAN adapter's udev rule
#   libnorvanefunc-dev  headers, CMake package, pkg-config file, the example host program
#   kestrin             the evaluation program with its language files, images, manuals, menu entry
#   norvane-sim         the bus simulator and its manual page
#   python3-norvane     the Python package (where the system's python3 is found)
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
# The pkg-config file goes to the multiarch folder (pkg-config searches it, and cross builds find
# the right architecture's file) and names the installation prefix as it is at install time, in
# plain paths: written by the install step itself, so the Debian packages get /usr and a staged
# install its own folder.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(norvane_pc_dir lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig)
else()
  set(norvane_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
install(CODE "
  set(PROJECT_VERSION ${PROJECT_VERSION})
  set(NORVANE_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(NORVANE_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
  set(NORVANE_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
  set(pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${norvane_pc_dir}/NorvaneFunc.pc\")
  message(STATUS \"Installing: \${pc}\")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/NorvaneFunc.pc.in \"\${pc}\" @ONLY)
" COMPONENT dev)
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
  # An installed kestrin finds this file beside it and keeps its settings in the user's
  # configuration folder, never in the installation (the build tree has no such file).
  install(FILES ${PROJECT_SOURCE_DIR}/bench/app/kestrin-installed DESTINATION ${kestrin_dir} COMPONENT kestrin)
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

# Manual pages of the two programs, with the project's version, compressed as Debian's policy
# wants them.
foreach(pair kestrin:kestrin norvane-sim:sim)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 page)
  list(GET pair 1 component)
  if((component STREQUAL "kestrin" AND TARGET kestrin) OR (component STREQUAL "sim" AND TARGET norvane-sim))
    configure_file(${PROJECT_SOURCE_DIR}/packaging/${page}.1 ${PROJECT_BINARY_DIR}/${page}.1 @ONLY)
    execute_process(COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/${page}.1 OUTPUT_FILE ${PROJECT_BINARY_DIR}/${page}.1.gz)
    install(FILES ${PROJECT_BINARY_DIR}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  endif()
endforeach()

# The Python package, laid out as Debian's python3 packages are (dist-packages under /usr, no
# bytecode: the package's scripts compile it on install and remove the bytecode on removal).
# Only the Debian package carries it (pip installs it elsewhere, see the README).
find_program(NORVANE_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(norvane_python_components "")
if(NORVANE_PYTHON3)
  set(python_tree ${PROJECT_BINARY_DIR}/python-package)
  file(GLOB python_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/python/norvane/*.py)
  add_custom_command(OUTPUT ${python_tree}/stamp
                     COMMAND ${CMAKE_COMMAND} -E rm -rf ${python_tree}/tree
                     COMMAND ${NORVANE_PYTHON3} -B ${PROJECT_SOURCE_DIR}/python/norvane_build.py tree ${python_tree}/tree
                     COMMAND ${CMAKE_COMMAND} -E touch ${python_tree}/stamp
                     DEPENDS ${python_sources} ${PROJECT_SOURCE_DIR}/python/norvane_build.py
                             ${PROJECT_SOURCE_DIR}/python/pyproject.toml
                     COMMENT "Python package norvane" VERBATIM)
  add_custom_target(python_package ALL DEPENDS ${python_tree}/stamp)
  install(DIRECTORY ${python_tree}/tree/ DESTINATION lib/python3/dist-packages COMPONENT python EXCLUDE_FROM_ALL)
  set(norvane_python_components python:python3-norvane)
endif()

# Every package carries its copyright file and changelog where Debian's policy wants them.
set(norvane_changelog ${PROJECT_BINARY_DIR}/changelog.gz)
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog OUTPUT_FILE ${norvane_changelog})
foreach(pair sdk:libnorvanefunc dev:libnorvanefunc-dev kestrin:kestrin sim:norvane-sim ${norvane_python_components})
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${norvane_changelog}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# ---- Debian packages (cpack -G DEB in the build folder) ----
set(CPACK_STRIP_FILES ON)
# The runtime package's ldconfig run comes from its triggers file; its own postinst and postrm
# (which only reload the udev rule) also keep CPack from adding scripts that call ldconfig again.
set(CPACK_DEBIAN_SDK_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/libnorvanefunc/triggers
    ${PROJECT_SOURCE_DIR}/packaging/libnorvanefunc/postinst ${PROJECT_SOURCE_DIR}/packaging/libnorvanefunc/postrm)
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/python3-norvane/postinst
    ${PROJECT_SOURCE_DIR}/packaging/python3-norvane/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR "Norvane")
set(CPACK_PACKAGE_CONTACT "Norvane developers <dev@norvane.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install step sees /usr as its prefix (the pkg-config file names it), the package's
# staging folder as DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
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
# Each package has its own synopsis (the first line; no common summary is prepended, so
# CPACK_PACKAGE_DESCRIPTION_SUMMARY stays unset) and plain description lines (CPack indents them
# by one space; a line indented further would display as verbatim text).
set(CPACK_COMPONENT_SDK_DESCRIPTION "SDK for Norvane CAN-bus controllers (runtime libraries)
NorvaneFunc finds CAN-bus gateways (Ethernet, RS-232, UART, USB-CAN adapters
and PCI cards), discovers the stepper-motor controllers and sibling devices
behind them, and sends them commands.
.
This package holds libNorvaneFunc.so, the Halbox PCI CAN card library
libHalbox.so and the udev rule of the USB-CAN adapter.")
set(CPACK_COMPONENT_DEV_DESCRIPTION "SDK for Norvane CAN-bus controllers (development files)
The C headers of NorvaneFunc and Halbox, the CMake package, the pkg-config
file and an example host program.")
set(CPACK_COMPONENT_KESTRIN_DESCRIPTION "evaluation program for Norvane CAN-bus controllers
Kestrin is a Qt window that searches the gateways, connects one, lists the
nodes behind it and sends them commands, with dialogs for every device kind.
It also runs without a window (kestrin --headless) for automation.")
set(CPACK_COMPONENT_SIM_DESCRIPTION "bus simulator for Norvane CAN-bus gateways and devices
norvane-sim serves simulated gateways on loopback addresses, pseudo-terminals
and local sockets, with simulated controllers and devices behind them, so
that host programs run and are tested without hardware.")
set(CPACK_COMPONENT_DEV_DEPENDS sdk)
set(CPACK_COMPONENT_KESTRIN_DEPENDS sdk)
set(CPACK_DEBIAN_SDK_PACKAGE_DEPENDS "libusb-0.1-4")
if(norvane_python_components)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-norvane)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any (>= 3.9~)")
  set(CPACK_COMPONENT_PYTHON_DEPENDS sdk)
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION "Python interface to the NorvaneFunc CAN-bus controller SDK
The norvane package reaches libNorvaneFunc.so through ctypes: search and
open gateways, read and set the controllers' registers by name, take
notices on a Python thread, and call any other export of the SDK.")
endif()
include(CPack)

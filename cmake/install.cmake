# Installing Orvalis as a Debian library: the shared library (versioned, with its
# SONAME), the public headers, a pkg-config file and a CMake package (orvalis::orvalis),
# the `orvalis` command and its manual page, and the fixed tables' side file in
# <datadir>/orvalis, where the component finds it from wherever it was installed.
# `cpack -G DEB` makes a package of the same. (The Python package's rule is in python/.)
include(CMakePackageConfigHelpers)

install(TARGETS orvalis EXPORT orvalis-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/orvalis DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT orvalis-targets NAMESPACE orvalis::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orvalis)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/orvalis-config.cmake.in
  ${CMAKE_BINARY_DIR}/orvalis-config.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orvalis)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/orvalis-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/orvalis-config.cmake ${CMAKE_BINARY_DIR}/orvalis-config-version.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orvalis)
# Relocatable: the prefix is found from where the file is.
file(RELATIVE_PATH ORVALIS_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${CMAKE_CURRENT_LIST_DIR}/orvalis.pc.in ${CMAKE_BINARY_DIR}/orvalis.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/orvalis.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET orvalis_cli)
  install(TARGETS orvalis_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/orvalis.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${ORVALIS_FIXAS_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/orvalis)
endif()

set(CPACK_PACKAGE_NAME orvalis)
set(CPACK_PACKAGE_VENDOR "Orvalis")
set(CPACK_PACKAGE_CONTACT "Orvalis maintainers <maintainers@orvalis.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brazilian ICMS declaration component for Linux")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3")
include(CPack)

# The installed library, command and Python package, used from a temporary prefix.
if(ORVALIS_BUILD_TESTS AND TARGET orvalis_python AND TARGET orvalis_cli)
  add_test(NAME install.prefix
    COMMAND ${PROJECT_SOURCE_DIR}/tests/install/install_test.sh ${CMAKE_BINARY_DIR}
            ${PROJECT_SOURCE_DIR} ${Python3_EXECUTABLE})
  set_tests_properties(install.prefix PROPERTIES TIMEOUT 600)
endif()

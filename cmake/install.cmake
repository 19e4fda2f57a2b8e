# What `cmake --install` puts where, and the Debian packages CPack makes of it.
#
#   bin/velmora                              the scripting host                 (runtime)
#   lib/libvelmora_platform.so.1             the platform library               (runtime)
#   lib/velmora/libvelmora.so, xml/, catalogs/  the library's private folder    (runtime)
#   share/man/man1/velmora.1                 the host's manual page             (runtime)
#   include/velmora/...                      the public headers                 (dev)
#   lib/libvelmora_platform.so               the name a client links against    (dev)
#   lib/cmake/Velmora/, lib/pkgconfig/velmora.pc  find_package and pkg-config   (dev)
#   lib/python3/dist-packages/velmora.*.so   the Python module                  (python)
include(CMakePackageConfigHelpers)

# The public headers: the client API, the library's interfaces, the runtime headers they
# need, and the interfaces of the DOM, data access and message service. Each compiles on
# its own (the install test compiles every one alone).
set(VELMORA_PUBLIC_HEADERS
  src/velmora/client.h
  src/velmora/frame/interfaces.h
  src/platform/runtime/apartment.h
  src/platform/runtime/call.h
  src/platform/runtime/classes.h
  src/platform/runtime/com.h
  src/platform/runtime/convert.h
  src/platform/runtime/date.h
  src/platform/runtime/decimal.h
  src/platform/runtime/dispatch.h
  src/platform/runtime/error.h
  src/platform/runtime/object.h
  src/platform/runtime/typelib.h
  src/platform/runtime/types.h
  src/platform/runtime/ustring.h
  src/platform/runtime/variant.h
  src/platform/dom/dom.h
  src/platform/dataaccess/ado.h
  src/platform/services/message_service.h)
foreach(header ${VELMORA_PUBLIC_HEADERS})
  string(REGEX REPLACE "^src/(velmora|platform)/" "" rel ${header})
  get_filename_component(folder ${rel} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velmora/${folder} COMPONENT dev)
endforeach()

install(TARGETS velmora_platform EXPORT VelmoraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(TARGETS velmora_client EXPORT VelmoraTargets)
install(TARGETS velmora LIBRARY DESTINATION ${VELMORA_PRIVATE_DIR} COMPONENT runtime)
install(DIRECTORY xml catalogs DESTINATION ${VELMORA_PRIVATE_DIR} COMPONENT runtime)
if(TARGET velmora_host)
  install(TARGETS velmora_host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
  install(FILES ${VELMORA_OUT}/velmora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
endif()

# find_package(Velmora 1.0): the targets Velmora::client (what a client builds against) and
# Velmora::platform, relocatable with the installed tree.
set(VELMORA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
install(EXPORT VelmoraTargets NAMESPACE Velmora:: DESTINATION ${VELMORA_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/VelmoraConfig.cmake.in
  ${CMAKE_BINARY_DIR}/VelmoraConfig.cmake INSTALL_DESTINATION ${VELMORA_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VelmoraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VelmoraConfig.cmake ${CMAKE_BINARY_DIR}/VelmoraConfigVersion.cmake
  DESTINATION ${VELMORA_CMAKE_DIR} COMPONENT dev)

# pkg-config: the prefix is taken from the file's own folder, so the tree can move.
file(RELATIVE_PATH VELMORA_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" VELMORA_PC_TO_PREFIX "${VELMORA_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/velmora.pc.in ${CMAKE_BINARY_DIR}/velmora.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/velmora.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Debian packages: `cpack -G DEB` in the build folder makes velmora_<version>_<arch>.deb
# (runtime) and velmora-dev_<version>_<arch>.deb (headers, link name, package files).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.0)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "In-process component library for the financial modules of an accounting suite")
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <velmora@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME velmora-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "Velmora component library, platform library and scripting host\n"
  "A per-thread connection pool, SQL helpers, record set <-> XML, XML helpers, money\n"
  "formatting, amounts in Chinese capital numerals and tolerant strings, with their\n"
  "automation runtime, data access (SQLite; PostgreSQL and SQL Server through ODBC) and DOM.")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "Velmora development files\n"
  "Headers of the client API and the platform's interfaces, with a CMake package\n"
  "(find_package(Velmora)) and a pkg-config file (velmora).")
# Dependencies on shared libraries are read from the binaries; the ODBC drivers are only
# needed for PostgreSQL and SQL Server connections.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The runtime package tells what provides the platform library (shlibs); its maintainer
# scripts refresh the dynamic linker's cache except in an installation into another root.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/cmake/debian/postinst ${CMAKE_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "odbc-postgresql, tdsodbc")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "unixodbc")
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS "pkg-config, cmake")
# python3-velmora: the Python module, for the interpreter version it was built against.
if(TARGET velmora_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-velmora)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # The module links the platform library of the runtime package; dpkg-shlibdeps finds it in
  # the build's output folder (the dependency itself comes from the component's Depends).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${VELMORA_OUT})
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${VELMORA_PYTHON_NEXT_MINOR})")
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION
    "Velmora from Python\n"
    "The module velmora: the library's classes and the platform's called in-process by name,\n"
    "with values, by-reference arguments and errors mapped to Python's.")
endif()
include(CPack)

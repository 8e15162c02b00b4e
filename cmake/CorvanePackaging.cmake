# The Debian package: `cpack -G DEB` in a Linux build directory gives
# corvane_<version>_amd64.deb, checked by scripts/package-deb.sh.
#
# It holds whatever the project installs, with one exception: mirelon-sim
# (component "simulator") stays out. The simulator pretends to be a
# controller on a pseudo-terminal; it is for developing and testing Corvane,
# and has no place on the PC beside a real controller, where it could only
# be mistaken for one. `cmake --install` still installs it for developers.
#
# Included from the top CMakeLists.txt after every folder, so that the
# install rules of every program are known here.

# What Debian asks of every package, in its documentation folder: the
# copyright notice in the machine-readable format (naming what is compiled
# into the programs and what they link) and the changelog; and a manual page
# for each program. Compressed with gzip -9n, so that the same text always
# gives the same bytes. The changelog's trailer names the package's
# maintainer.
#
# A placeholder address until whoever ships the package sets their own.
set(CORVANE_DEB_MAINTAINER "Corvane maintainers <corvane@example.org>"
    CACHE STRING "Maintainer field of the Debian package: Name <address>")
set(corvane_packaging_dir ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
               ${corvane_packaging_dir}/changelog @ONLY)
function(corvane_gzip source target)
  execute_process(COMMAND gzip -9n -c ${source} OUTPUT_FILE ${target}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${source}: ${result}")
  endif()
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()
corvane_gzip(${corvane_packaging_dir}/changelog ${corvane_packaging_dir}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
              ${corvane_packaging_dir}/changelog.gz
        DESTINATION share/doc/corvane)
foreach(program IN ITEMS corvane corvane-cli)
  if(TARGET ${program})
    corvane_gzip(${PROJECT_SOURCE_DIR}/packaging/man/${program}.1
                 ${corvane_packaging_dir}/${program}.1.gz)
    install(FILES ${corvane_packaging_dir}/${program}.1.gz DESTINATION share/man/man1)
  endif()
endforeach()

set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "screen mirror, keys and parameter backup for a Mirelon controller")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane talks to a Mirelon controller over one serial port. It mirrors the\n\
controller's 800x600 screen, forwards the operator's keys and soft-key clicks,\n\
and backs up and restores the stations' parameters as .spb text files.")
set(CPACK_PACKAGE_CONTACT "${CORVANE_DEB_MAINTAINER}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The build keeps its debug information; the package does not need it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME corvane)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_DEB_MAINTAINER}")
# comm: it works a device over a serial line.
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the libraries the programs link (Qt 6, the C++
# runtime) as the packages and versions that provide them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# One package of every component but the simulator's. A package of all
# components ignores the list, so the package is built from components.
get_cmake_property(CPACK_COMPONENTS_ALL COMPONENTS)
list(REMOVE_ITEM CPACK_COMPONENTS_ALL simulator)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

include(CPack)

# SPDX-License-Identifier: GPL-3.0-or-later
# Runs at install time: writes wexly-daily.service into the installed unit
# folder with ExecStart naming the installed wexly-cli under the prefix of this
# install. Set before it (cli/CMakeLists.txt): WEXLY_SERVICE_TEMPLATE, and
# WEXLY_SERVICE_BINDIR and WEXLY_SERVICE_UNITDIR, relative to the prefix or absolute.
foreach(name BINDIR UNITDIR)
  if(IS_ABSOLUTE "${WEXLY_SERVICE_${name}}")
    set(installed_${name} "${WEXLY_SERVICE_${name}}")
  else()
    set(installed_${name} "${CMAKE_INSTALL_PREFIX}/${WEXLY_SERVICE_${name}}")
  endif()
endforeach()
set(WEXLY_CLI_EXEC "${installed_BINDIR}/wexly-cli")
set(service "${installed_UNITDIR}/wexly-daily.service")
message(STATUS "Installing: $ENV{DESTDIR}${service}")
configure_file("${WEXLY_SERVICE_TEMPLATE}" "$ENV{DESTDIR}${service}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${service}")

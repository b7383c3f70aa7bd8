# Runs at install time, when the prefix (and DESTDIR when packaging) is known: the launcher
# link in bin/ and the desktop entry that starts it. The entry names the launcher by its
# absolute path, so it works for any prefix, also one that is not on PATH; start at login
# copies this entry (AppUtils::registerStartup), so both always start the same program.
#
# Set before this script: LARKSPAN_BINDIR, LARKSPAN_DATADIR, LARKSPAN_PROGRAM_DIR (relative
# to the prefix), LARKSPAN_APP_ID, LARKSPAN_DESKTOP_TEMPLATE.

set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(LARKSPAN_LAUNCHER "${CMAKE_INSTALL_PREFIX}/${LARKSPAN_BINDIR}/larkspan")

# A relative link keeps a staged or moved tree consistent.
file(RELATIVE_PATH target "/${LARKSPAN_BINDIR}" "/${LARKSPAN_PROGRAM_DIR}/Larkspan")
file(MAKE_DIRECTORY "${root}/${LARKSPAN_BINDIR}")
file(REMOVE "${root}/${LARKSPAN_BINDIR}/larkspan")
file(CREATE_LINK "${target}" "${root}/${LARKSPAN_BINDIR}/larkspan" SYMBOLIC)
message(STATUS "Installing: ${root}/${LARKSPAN_BINDIR}/larkspan -> ${target}")

# Exec keys quote paths holding characters the desktop entry format treats specially.
if(LARKSPAN_LAUNCHER MATCHES "[ \t\"'`$;&|<>*?#()~]" OR LARKSPAN_LAUNCHER MATCHES "\\\\")
  # Four backslashes stand for one: the string escape applies before the quoting.
  string(REPLACE "\\" "\\\\\\\\" quoted "${LARKSPAN_LAUNCHER}")
  foreach(special "\"" "`" "$")
    string(REPLACE "${special}" "\\${special}" quoted "${quoted}")
  endforeach()
  set(LARKSPAN_DESKTOP_EXEC "\"${quoted}\"")
else()
  set(LARKSPAN_DESKTOP_EXEC "${LARKSPAN_LAUNCHER}")
endif()
set(entry "${root}/${LARKSPAN_DATADIR}/applications/${LARKSPAN_APP_ID}.desktop")
configure_file("${LARKSPAN_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
message(STATUS "Installing: ${entry}")

# Where an installed Larkspan lives, read before the source folders so the code can find its
# files relative to the running program, whatever the prefix.
#
#   <prefix>/lib/larkspan/   Larkspan, crashpad_handler, larkspan-crash-upload,
#                            liblarkspan-core.so.2, libquillon.so.1, liblarkspan_webview.so
#   <prefix>/bin/larkspan    symbolic link to ../lib/larkspan/Larkspan
#   <prefix>/share/          translations, icons, desktop entry
#
# The program and its helpers share one private folder: the program looks for the crash
# handler beside itself, the handler for the uploader beside itself, and the two libraries
# are ours alone (RUNPATH $ORIGIN), so nothing of ours lands in the system's library path.
include(GNUInstallDirs)

set(LARKSPAN_APP_ID "com.corvane.Larkspan" CACHE STRING
    "Reverse-domain application identifier: names the desktop entry and the start-at-login entry")
set(LARKSPAN_INSTALL_PROGRAM_DIR "lib/larkspan" CACHE STRING
    "Folder under the prefix for the program, its helpers and its private libraries")

# The data folder as seen from the program's folder ("../../share").
file(RELATIVE_PATH LARKSPAN_DATA_FROM_PROGRAM_DIR
     "/${LARKSPAN_INSTALL_PROGRAM_DIR}" "/${CMAKE_INSTALL_DATADIR}")

# The GNOME Shell extension shipped with the program (data/gnome-shell/<uuid>/).
set(LARKSPAN_GNOME_SHELL_EXTENSION_UUID "larkspan-focus@corvane.com")

add_library(larkspan_install_layout INTERFACE)
target_compile_definitions(larkspan_install_layout INTERFACE
  LARKSPAN_GNOME_SHELL_EXTENSION_UUID="${LARKSPAN_GNOME_SHELL_EXTENSION_UUID}"
  LARKSPAN_APP_ID="${LARKSPAN_APP_ID}"
  LARKSPAN_DATA_FROM_PROGRAM_DIR="${LARKSPAN_DATA_FROM_PROGRAM_DIR}")

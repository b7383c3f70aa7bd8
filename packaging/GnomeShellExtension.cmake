# The GNOME Shell extension that tells Larkspan which window is in front. GNOME Shell 43 and
# 44 load an extension as a legacy script, 45 and later only as an ES module, and one
# extension.js cannot be both: the build writes the one the target desktop loads, from the
# same reporter code, into the build tree (for tests) and the install rules ship it.
set(extension_source ${PROJECT_SOURCE_DIR}/data/gnome-shell/${LARKSPAN_GNOME_SHELL_EXTENSION_UUID})

# Debian 12 ships GNOME Shell 43; a build for a newer desktop turns this on (the default
# follows the gnome-shell of the build machine where there is one).
set(default_modules OFF)
find_program(GNOME_SHELL_PROGRAM gnome-shell)
if(GNOME_SHELL_PROGRAM)
  execute_process(COMMAND ${GNOME_SHELL_PROGRAM} --version OUTPUT_VARIABLE shell_version ERROR_QUIET)
  if(shell_version MATCHES "([0-9]+)\\." AND CMAKE_MATCH_1 GREATER_EQUAL 45)
    set(default_modules ON)
  endif()
endif()
option(LARKSPAN_GNOME_SHELL_MODULES "Ship the GNOME Shell extension as an ES module (GNOME 45 and later)"
       ${default_modules})

if(LARKSPAN_GNOME_SHELL_MODULES)
  set(variant module.js)
  set(SHELL_VERSIONS "\"45\", \"46\", \"47\", \"48\"")
else()
  set(variant legacy.js)
  set(SHELL_VERSIONS "\"43\", \"44\"")
endif()
set(extension_build_dir ${CMAKE_BINARY_DIR}/share/gnome-shell/extensions/${LARKSPAN_GNOME_SHELL_EXTENSION_UUID})
file(READ ${extension_source}/FocusReporter.js FOCUS_REPORTER)
file(READ ${extension_source}/${variant} extension_text)
string(REPLACE "@FOCUS_REPORTER@" "${FOCUS_REPORTER}" extension_text "${extension_text}")
file(WRITE ${extension_build_dir}/extension.js "${extension_text}")
configure_file(${extension_source}/metadata.json.in ${extension_build_dir}/metadata.json @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${extension_source}/FocusReporter.js ${extension_source}/${variant})

install(FILES ${extension_build_dir}/extension.js ${extension_build_dir}/metadata.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${LARKSPAN_GNOME_SHELL_EXTENSION_UUID})

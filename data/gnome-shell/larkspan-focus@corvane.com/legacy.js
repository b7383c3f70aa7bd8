/* exported init */
// GNOME Shell 43 and 44 load extensions as legacy scripts.
const {Gio, GLib} = imports.gi;

@FOCUS_REPORTER@

function init() {
    return new FocusReporter();
}

// Tells Larkspan which window has the focus: its process id, WM class and title, published
// on the session bus at every change of focus and of the focused window's title or class.
// Larkspan reads the rest (the program behind the process) itself. Nothing here runs per
// frame or on a timer, and no error may escape into the shell.

const FOCUS_PATH = '/com/corvane/Larkspan/FocusedWindow';
const FOCUS_INTERFACE = `
<node>
  <interface name="com.corvane.Larkspan.FocusedWindow">
    <method name="Get">
      <arg type="u" direction="out" name="pid"/>
      <arg type="s" direction="out" name="wmClass"/>
      <arg type="s" direction="out" name="title"/>
    </method>
    <signal name="Changed">
      <arg type="u" name="pid"/>
      <arg type="s" name="wmClass"/>
      <arg type="s" name="title"/>
    </signal>
  </interface>
</node>`;

function guarded(what, action) {
    try {
        return action();
    } catch (e) {
        logError(e, `larkspan-focus: ${what}`);
        return undefined;
    }
}

class FocusReporter {
    enable() {
        this._window = null;
        this._windowSignals = [];
        this._published = null;
        this._exported = Gio.DBusExportedObject.wrapJSObject(FOCUS_INTERFACE, this);
        this._exported.export(Gio.DBus.session, FOCUS_PATH);
        this._focusSignal = global.display.connect('notify::focus-window',
            () => guarded('focus change', () => this._follow()));
        guarded('start', () => this._follow());
    }

    disable() {
        guarded('stop', () => {
            this._unwatch();
            // Larkspan records the time under an unknown window from now on, not the last one.
            this._publish([0, '', '']);
        });
        if (this._focusSignal)
            global.display.disconnect(this._focusSignal);
        this._focusSignal = 0;
        if (this._exported)
            this._exported.unexport();
        this._exported = null;
        this._published = null;
    }

    // D-Bus: the window in front now.
    Get() {
        return guarded('Get', () => this._describe(this._window)) ?? [0, '', ''];
    }

    _follow() {
        const window = global.display.focus_window;
        if (window !== this._window) {
            this._unwatch();
            this._window = window;
            if (window) {
                for (const property of ['notify::title', 'notify::wm-class']) {
                    this._windowSignals.push(window.connect(property,
                        () => guarded('title change', () => this._publish(this._describe(window)))));
                }
            }
        }
        this._publish(this._describe(window));
    }

    _unwatch() {
        const window = this._window;
        const ids = this._windowSignals;
        // Forgotten first: a window already gone must not keep its place here.
        this._windowSignals = [];
        this._window = null;
        for (const id of window ? ids : [])
            guarded('unwatch', () => window.disconnect(id));
    }

    _describe(window) {
        if (!window)
            return [0, '', ''];
        const pid = window.get_pid();
        return [pid > 0 ? pid : 0, window.get_wm_class() ?? '', window.get_title() ?? ''];
    }

    _publish(described) {
        if (!this._exported)
            return;
        const key = JSON.stringify(described);
        if (key === this._published)
            return;
        this._published = key;
        this._exported.emit_signal('Changed', new GLib.Variant('(uss)', described));
    }
}

// GNOME Shell 45 and later load extensions as ES modules.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

@FOCUS_REPORTER@

export default class LarkspanFocusExtension extends Extension {
    enable() {
        this._reporter = new FocusReporter();
        this._reporter.enable();
    }

    disable() {
        this._reporter?.disable();
        this._reporter = null;
    }
}

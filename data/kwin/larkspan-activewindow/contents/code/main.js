// Tells Larkspan which window is in front: its process, resource class and caption, once
// at load, then on every activation and on every caption change of the active window.
// Everything is driven by KWin's own signals; nothing here polls or runs per frame.
const service = "com.corvane.Larkspan.ActiveWindow";
const path = "/ActiveWindow";
const iface = "com.corvane.Larkspan.ActiveWindow";

// Plasma 6 names the signal and property after windows, Plasma 5 after clients.
const activatedSignal = workspace.windowActivated || workspace.clientActivated;

let watched = null;

function text(value) {
    if (value === undefined || value === null)
        return "";
    // Plasma 5 hands the resource class over as bytes.
    if (value instanceof ArrayBuffer)
        return String.fromCharCode.apply(null, new Uint8Array(value));
    return String(value);
}

function report(window) {
    try {
        if (!window) {
            callDBus(service, path, iface, "report", "", "", "");
            return;
        }
        callDBus(service, path, iface, "report", text(window.pid), text(window.resourceClass), text(window.caption));
    } catch (error) {
        print("larkspan-activewindow: cannot report the active window: " + error);
    }
}

function onCaptionChanged() {
    report(watched);
}

function onActivated(window) {
    try {
        if (watched)
            watched.captionChanged.disconnect(onCaptionChanged);
    } catch (error) {
        // The window is gone, and its connections with it.
    }
    watched = window || null;
    try {
        if (watched)
            watched.captionChanged.connect(onCaptionChanged);
    } catch (error) {
        print("larkspan-activewindow: cannot follow the caption: " + error);
    }
    report(watched);
}

try {
    activatedSignal.connect(onActivated);
    onActivated(workspace.activeWindow || workspace.activeClient);
} catch (error) {
    print("larkspan-activewindow: cannot follow the active window: " + error);
}

// The embedded console's browser, built as a module that the program loads on first use
// (see ConsoleBrowser). Only this file links the web engine.

#include <QQuickWindow>
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget* larkspanCreateWebView(QWidget* parent)
{
    // The program shares no OpenGL context with the web engine, so pages are composited in
    // software; the view's own scene graph then needs no OpenGL either, and drawing it in
    // software keeps working where the platform offers no usable GL (no GL integration,
    // the offscreen platform).
    static const bool softwareSceneGraph = [] {
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        return true;
    }();
    Q_UNUSED(softwareSceneGraph)
    return new QWebEngineView(parent);
}

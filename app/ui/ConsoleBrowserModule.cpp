// The embedded console's browser, built as a module that the program loads on first use
// (see ConsoleBrowser). Only this file links the web engine.

#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget* larkspanCreateWebView(QWidget* parent)
{
    return new QWebEngineView(parent);
}

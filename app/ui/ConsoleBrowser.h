#pragma once

#include <QString>

class QWidget;

// The embedded browser lives in a module of its own that is loaded on first use: linking
// the web engine into the program would cost every run tens of megabytes and a graphics
// stack, though most users never open the embedded console.
class ConsoleBrowser
{
public:
    // A new QWebEngineView (as a QWidget) with the given parent, or null with *error set
    // when the module cannot be found or loaded.
    static QWidget* createView(QWidget* parent, QString* error);

private:
    ConsoleBrowser() = delete;
};

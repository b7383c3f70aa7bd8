#pragma once

// Keeps the OpenGL stack out of the program. On X11, Qt's default GLX integration loads
// Mesa as soon as a widget is shown (~55 MB more resident memory), yet no window of ours
// draws with OpenGL, and the embedded console's browser composites in software without
// it (~85 MB less once it is open). Call once in main() before the QApplication exists.
class GraphicsSetup
{
public:
    // Chooses no GL integration for the X11 platform unless the user or the desktop chose
    // one (QT_XCB_GL_INTEGRATION already set). The variable is taken out of the
    // environment again while the application is constructed, once the platform has read
    // it, so programs we start (the browser for the login page) do not inherit the choice.
    static void configureBeforeApplication();

private:
    GraphicsSetup() = delete;
};

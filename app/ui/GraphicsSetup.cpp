#include "GraphicsSetup.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QtGlobal>

namespace {

constexpr char kGlIntegration[] = "QT_XCB_GL_INTEGRATION";

// Pre-routines run inside the application's constructor, after the platform exists. The
// X11 platform reads the variable the first time it is asked about OpenGL, not when it is
// created, so ask it here; from then on its choice holds for the whole run.
void settleGlIntegration()
{
    // Other platforms ignore the variable; asking them about OpenGL could wake theirs.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QOpenGLContext::supportsThreadedOpenGL();
    qunsetenv(kGlIntegration);
}

} // namespace

void GraphicsSetup::configureBeforeApplication()
{
    if (qEnvironmentVariableIsSet(kGlIntegration))
        return;
    qputenv(kGlIntegration, "none");
    qAddPreRoutine(settleGlIntegration);
}

#include "ProgramResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the registration function, which must be outside any namespace.
static bool registerResources()
{
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(icons);
    return true;
}

void initProgramResources()
{
    static const bool done = registerResources();
    Q_UNUSED(done);
}

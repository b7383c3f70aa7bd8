#pragma once

#include <QtGlobal>

#if defined(LARKSPAN_CORE_LIBRARY)
#define LARKSPAN_CORE_EXPORT Q_DECL_EXPORT
#else
#define LARKSPAN_CORE_EXPORT Q_DECL_IMPORT
#endif

// ORLIX_API marks what liborlix exports: the library is built with hidden
// visibility, so anything an application calls, derives from or catches
// carries the marker, and internals cannot leak into applications.
#pragma once

#if defined(_WIN32)
#if defined(ORLIX_DLL) && defined(ORLIX_BUILDING)
#define ORLIX_API __declspec(dllexport)
#elif defined(ORLIX_DLL)
#define ORLIX_API __declspec(dllimport)
#else
#define ORLIX_API
#endif
#else
#define ORLIX_API __attribute__((visibility("default")))
#endif

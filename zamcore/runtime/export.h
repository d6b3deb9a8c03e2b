#ifndef ZAMCORE_RUNTIME_EXPORT_H
#define ZAMCORE_RUNTIME_EXPORT_H

// ZAMCORE_API marks what the shared library exports. Everything else is built
// with hidden visibility and stays private to the library.
#if defined(_WIN32)
#if defined(ZAMCORE_BUILDING)
#define ZAMCORE_API __declspec(dllexport)
#else
#define ZAMCORE_API __declspec(dllimport)
#endif
#else
#define ZAMCORE_API __attribute__((visibility("default")))
#endif

#endif

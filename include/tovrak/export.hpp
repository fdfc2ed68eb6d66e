// What the shared library shows to hosts: the public API is marked
// TOVRAK_API and everything else stays inside the library. The Windows build
// exports through its module definition file instead, so the mark is empty
// there.
#pragma once

#if defined(_WIN32)
#define TOVRAK_API
#else
#define TOVRAK_API __attribute__((visibility("default")))
#endif

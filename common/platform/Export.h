#pragma once
// Marks a C entry point exported from a shared module.
#if defined(_WIN32)
#define VARD_EXPORT extern "C" __declspec(dllexport)
#else
#define VARD_EXPORT extern "C" __attribute__((visibility("default")))
#endif

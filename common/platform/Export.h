#pragma once
// Marks a C entry point exported from a shared module. The build names the
// attribute for targets that need one (see CMakeLists.txt); ELF modules
// export default-visibility symbols.
#ifndef VARD_EXPORT_ATTRIBUTE
#define VARD_EXPORT_ATTRIBUTE __attribute__((visibility("default")))
#endif
#define VARD_EXPORT extern "C" VARD_EXPORT_ATTRIBUTE

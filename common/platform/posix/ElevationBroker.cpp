// The elevation broker stand-in: the broker library loaded into this
// process, from the system directory or else the library search path.
#include "common/platform/ElevationBroker.h"

#include <dlfcn.h>

#include <mutex>

#include "common/platform/KnownFolders.h"
#include "common/platform/posix/PosixPath.h"

namespace vard::platform {
namespace {

using Factory = IElevationBroker* (*)();

constexpr char kLibrary[] = "libVardKTCOMBroker3.so";

// Loaded once and kept: objects it made may outlive any one run.
Factory LoadFactory() {
  static std::mutex mutex;
  static Factory factory = nullptr;
  std::lock_guard lock(mutex);
  if (factory) return factory;
  void* library = ::dlopen((posix::ToOsPath(SystemDirectory()) + "/" + kLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) return nullptr;
  factory = reinterpret_cast<Factory>(::dlsym(library, "VardCreateKTCOMBroker3"));
  return factory;
}

}  // namespace

std::unique_ptr<IElevationBroker> CreateElevationBroker(BrokerCreation) {
  const Factory factory = LoadFactory();
  return std::unique_ptr<IElevationBroker>(factory ? factory() : nullptr);
}

}  // namespace vard::platform

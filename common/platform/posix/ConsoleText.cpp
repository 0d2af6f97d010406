#include "common/platform/ConsoleText.h"

#include "common/platform/CodePage.h"
#include "common/platform/ServiceManager.h"

namespace vard::platform {

std::string ConsoleText(std::u16string_view text) { return Utf16ToAnsi(text); }

std::string SystemMessageText(uint32_t code) {
  // The errors the stand-ins report, in the system's words.
  switch (code) {
    case error::kFileNotFound: return "The system cannot find the file specified.";
    case error::kPathNotFound: return "The system cannot find the path specified.";
    case error::kAccessDenied: return "Access is denied.";
    case error::kInvalidHandle: return "The handle is invalid.";
    case error::kWaitTimeout: return "The wait operation timed out.";
    case error::kServiceAlreadyRunning: return "An instance of the service is already running.";
    case error::kServiceDoesNotExist: return "The specified service does not exist as an installed service.";
    case error::kServiceCannotAcceptControl: return "The service cannot accept control messages at this time.";
    case error::kServiceNotActive: return "The service has not been started.";
    case error::kFailedServiceControllerConnect:
      return "The service process could not connect to the service controller.";
    case error::kServiceExists: return "The specified service already exists.";
    default: return {};
  }
}

}  // namespace vard::platform

#pragma once
// The elevation broker: an object in another process (Win32: the COM class
// KTCOMBroker3 in the system's surrogate, created elevated through the
// elevation moniker) that writes one file at a time for a caller that may
// not. POSIX: libVardKTCOMBroker3.so loaded into the caller. File data goes
// through the named section the caller fills; paths and sizes are call
// arguments. Every call succeeds as a call: outcomes are in the results.
#include <cstdint>
#include <memory>
#include <string>

namespace vard::platform {

// The section both sides map whole; every chunk starts at its offset 0.
inline constexpr char16_t kBrokerSectionName[] = u"VardKT_Vista_FileWrite_data";
inline constexpr uint32_t kBrokerSectionSize = 0x200000;

// The broker's identities in registry form: its class, its interface
// IKTCOMBroker3, its type library and its AppID.
inline constexpr char16_t kBrokerClassId[] = u"{D6F1C178-1207-45F0-81B0-2F0B7320684A}";
inline constexpr char16_t kBrokerInterfaceId[] = u"{AD29C258-7869-4D69-B8CA-1FDD04699017}";
inline constexpr char16_t kBrokerLibraryId[] = u"{40439BCE-2A7C-4320-90DD-AEC71A8D13FC}";
inline constexpr char16_t kBrokerAppId[] = u"{9431BF18-A078-471B-8835-089BEAEF9064}";

// VARIANT_BOOL values.
inline constexpr int16_t kBrokerTrue = -1, kBrokerFalse = 0;

class IElevationBroker {
 public:
  virtual ~IElevationBroker() = default;
  // Makes every folder before each "\" after the first one; results ignored.
  virtual void CreateDirectory(const std::u16string& path) = 0;
  // Always false.
  virtual int16_t FolderTest(const std::u16string& folder) = 0;
  // Opens read/write, shared for reading, with a CreateFileW disposition.
  virtual int16_t FileOpen(const std::u16string& path, uint32_t disposition) = 0;
  virtual void FileClose() = 0;
  // Bytes written; 0 without an open file.
  virtual uint32_t FileWrite(const void* buffer, uint32_t size) = 0;
  // Writes the first `size` bytes of the section.
  virtual uint32_t FileWrite2(uint32_t size) = 0;
  // Size of the open file (0 without one); its position moves to the end.
  virtual uint64_t GetFileSize() = 0;
  // `*newPosition` stays untouched when there is no file or the move fails
  // (across processes it reads 0 then: an out value carries nothing in).
  virtual void Seek(int64_t distance, uint32_t moveMethod, int64_t* newPosition) = 0;
};

enum class BrokerCreation {
  kElevated,     // Win32: through the elevation moniker, as the control asks
  kLocalServer,  // Win32: plain out-of-process creation (tests, benchmarks)
};

// One broker for one run, or nothing when it cannot be had (not installed,
// refused, any error): the caller then writes directly. Win32: call with
// COM initialised on the calling thread; the broker is used on that thread.
// POSIX: both ways load the library.
std::unique_ptr<IElevationBroker> CreateElevationBroker(BrokerCreation how = BrokerCreation::kElevated);

}  // namespace vard::platform

#pragma once
// Messages of the file service broker's pipe, shared by the broker and its
// client. Little-endian integers; one message is at most
// kMessageMax bytes in either direction.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vard::fsb {

inline constexpr char16_t kPipeName[] = u"\\\\.\\pipe\\VDFS";
inline constexpr char16_t kInstanceMutexName[] = u"Global\\Vardel File Service Broker-UNIQUE";
// Selects console mode on the broker's command line ("-" + this).
inline constexpr char16_t kConsoleModeGuid[] = u"{5C0E3A71-9D42-4B8F-A6E3-2F71C9D04B58}";

constexpr uint32_t kMessageMax = 0x8400;  // 33,792
constexpr uint32_t kHeaderSize = 16;
constexpr uint32_t kWriteMax = 32768;

enum Opcode : uint32_t {
  VDFS_OPEN = 1,
  VDFS_SEEK = 2,
  VDFS_WRITE = 3,
  VDFS_READ = 4,
  VDFS_CLOSE = 5,
  VDFS_QUERY = 6,
  VDFS_MKDIR = 7,
  VDFS_SHUTDOWN = 8,
};

namespace param {
constexpr uint32_t kSetPath = 1;
constexpr uint32_t kOpen = 2;
constexpr uint32_t kWriteQuiet = 3;
constexpr uint32_t kWriteCount = 4;
constexpr uint32_t kReadCount = 6;
constexpr uint32_t kQueryMode = 7;
constexpr uint32_t kQueryConnections = 8;
}  // namespace param

namespace status {
constexpr uint32_t kUnknownOpcode = 0;
constexpr uint32_t kSuccess = 1;
constexpr uint32_t kFailed = 2;
constexpr uint32_t kEmpty = 3;
constexpr uint32_t kUnreadable = 4;
constexpr uint32_t kBadAnswer = 5;     // client only
constexpr uint32_t kNotConnected = 6;  // client only
constexpr uint32_t kNoFile = 8;
constexpr uint32_t kTooLarge = 9;  // client only
constexpr uint32_t kRefused = 10;
constexpr uint32_t kNotFound = 12;
constexpr uint32_t kSharing = 13;
}  // namespace status

// Header of a request, as on the wire.
struct BrokerRequest {
  char magic[4];
  uint32_t opcode;
  uint32_t param;
  uint32_t length;
};
static_assert(offsetof(BrokerRequest, magic) == 0);
static_assert(offsetof(BrokerRequest, opcode) == 4);
static_assert(offsetof(BrokerRequest, param) == 8);
static_assert(offsetof(BrokerRequest, length) == 12);
static_assert(sizeof(BrokerRequest) == kHeaderSize);

// An answer: status and the operation's data.
struct BrokerResponse {
  uint32_t status = 0;
  std::span<const uint8_t> data;
};

inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutI64(uint8_t* p, int64_t v) {
  PutU32(p, static_cast<uint32_t>(static_cast<uint64_t>(v)));
  PutU32(p + 4, static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32));
}
inline int64_t GetI64(const uint8_t* p) {
  return static_cast<int64_t>(uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32);
}

// Header and payload in one message (16 + payload bytes).
std::vector<uint8_t> EncodeRequest(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload);
// The same into `out`, which must hold kHeaderSize + payload bytes; returns
// the message's length.
uint32_t EncodeRequest(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload, std::span<uint8_t> out);

// Reads the header of a received message. False when the magic is missing
// (no answer is due then). A message shorter than the header reads as if
// zero-padded; `payload` is what was received after the header, which may
// be less than header->length.
bool DecodeRequest(std::span<const uint8_t> message, BrokerRequest* header, std::span<const uint8_t>* payload);

// False when the answer is shorter than a status.
bool DecodeResponse(std::span<const uint8_t> message, BrokerResponse* response);

// A path as the broker takes it: UTF-16LE with its terminator.
std::vector<uint8_t> PathPayload(const std::u16string& path);
// The path in a payload, up to its terminator or the end of the bytes.
std::u16string PathFromPayload(std::span<const uint8_t> payload);

}  // namespace vard::fsb

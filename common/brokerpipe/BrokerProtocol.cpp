#include "common/brokerpipe/BrokerProtocol.h"

#include <algorithm>
#include <cstring>

namespace vard::fsb {

std::vector<uint8_t> EncodeRequest(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload) {
  std::vector<uint8_t> m(kHeaderSize + payload.size());
  EncodeRequest(opcode, param, payload, m);
  return m;
}

uint32_t EncodeRequest(uint32_t opcode, uint32_t param, std::span<const uint8_t> payload, std::span<uint8_t> out) {
  std::memcpy(out.data(), "VDFS", 4);
  PutU32(&out[4], opcode);
  PutU32(&out[8], param);
  PutU32(&out[12], static_cast<uint32_t>(payload.size()));
  std::copy(payload.begin(), payload.end(), out.begin() + kHeaderSize);
  return static_cast<uint32_t>(kHeaderSize + payload.size());
}

bool DecodeRequest(std::span<const uint8_t> message, BrokerRequest* header, std::span<const uint8_t>* payload) {
  if (message.size() < 4 || std::memcmp(message.data(), "VDFS", 4) != 0) return false;
  uint8_t h[kHeaderSize] = {};
  std::memcpy(h, message.data(), std::min<size_t>(message.size(), kHeaderSize));
  std::memcpy(header->magic, h, 4);
  header->opcode = GetU32(h + 4);
  header->param = GetU32(h + 8);
  header->length = GetU32(h + 12);
  *payload = message.size() > kHeaderSize ? message.subspan(kHeaderSize) : std::span<const uint8_t>();
  return true;
}

bool DecodeResponse(std::span<const uint8_t> message, BrokerResponse* response) {
  if (message.size() < 4) return false;
  response->status = GetU32(message.data());
  response->data = message.subspan(4);
  return true;
}

std::vector<uint8_t> PathPayload(const std::u16string& path) {
  std::vector<uint8_t> p;
  p.reserve((path.size() + 1) * 2);
  for (char16_t c : path) {
    p.push_back(static_cast<uint8_t>(c));
    p.push_back(static_cast<uint8_t>(c >> 8));
  }
  p.push_back(0);
  p.push_back(0);
  return p;
}

std::u16string PathFromPayload(std::span<const uint8_t> payload) {
  std::u16string s;
  for (size_t i = 0; i + 1 < payload.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(payload[i] | payload[i + 1] << 8);
    if (c == 0) break;
    s += c;
  }
  return s;
}

}  // namespace vard::fsb

#include "tools/bridge/Framing.h"

#include <cstring>

namespace vard::bridge {

bool FrameReader::Fill(char* data, size_t size, size_t* got) {
  size_t done = 0;
  while (done < size) {
    const size_t n = channel_.ReadSome(data + done, size - done);
    if (n == 0) break;
    done += n;
  }
  if (got) *got = done;
  return done == size;
}

bool FrameReader::Skip(uint64_t size) {
  char scratch[16384];
  while (size > 0) {
    const size_t chunk = size < sizeof scratch ? static_cast<size_t>(size) : sizeof scratch;
    if (!Fill(scratch, chunk, nullptr)) return false;
    size -= chunk;
  }
  return true;
}

FrameRead FrameReader::Read(std::string& body) {
  body.clear();
  char header[4];
  size_t got = 0;
  if (!Fill(header, sizeof header, &got)) return got == 0 ? FrameRead::kEnd : FrameRead::kTruncated;
  uint32_t length = 0;
  std::memcpy(&length, header, sizeof length);  // native byte order
  if (length > kMaxFrame) {
    refused_ = length;
    return Skip(length) ? FrameRead::kTooLong : FrameRead::kTruncated;
  }
  body.resize(length);
  if (!Fill(body.data(), length, nullptr)) {
    body.clear();
    return FrameRead::kTruncated;
  }
  return FrameRead::kFrame;
}

bool FrameWriter::Write(std::string_view body) {
  if (body.size() > kMaxFrame) return false;
  const auto length = static_cast<uint32_t>(body.size());
  std::string frame(sizeof length, '\0');
  std::memcpy(frame.data(), &length, sizeof length);
  frame.append(body);
  std::lock_guard<std::mutex> lock(mutex_);
  return channel_.WriteAll(frame.data(), frame.size());
}

}  // namespace vard::bridge

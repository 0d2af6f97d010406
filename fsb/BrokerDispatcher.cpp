#include "fsb/BrokerDispatcher.h"

#include <cstring>

#include "common/platform/FolderChain.h"

namespace vard::fsb {
namespace {

using platform::File;

uint32_t Status(uint8_t* response, uint32_t status) {
  PutU32(response, status);
  return 4;
}

uint32_t OpenStatus(uint32_t lastError) {
  switch (lastError) {
    case platform::error::kFileNotFound:
    case platform::error::kPathNotFound: return status::kNotFound;
    case platform::error::kSharingViolation: return status::kSharing;
    default: return status::kFailed;
  }
}

uint32_t DoOpen(const BrokerRequest& r, std::span<const uint8_t> payload, ConnectionState& c,
                const DispatchContext& ctx, uint8_t* response) {
  if (r.param == param::kSetPath) {
    if (payload.empty()) return Status(response, status::kEmpty);
    const std::u16string path = PathFromPayload(payload);
    if (path.empty()) return Status(response, status::kEmpty);
    c.currentPath = path;
    return Status(response, status::kSuccess);
  }
  if (r.param != param::kOpen) return Status(response, status::kFailed);
  if (payload.size() < 4) return Status(response, payload.empty() ? status::kEmpty : status::kUnreadable);
  const auto disposition = static_cast<platform::Disposition>(GetU32(payload.data()));
  File f = File::Open(c.currentPath, platform::access::kRead | platform::access::kWrite, platform::share::kRead,
                      disposition);
  if (!f.IsOpen()) return Status(response, OpenStatus(platform::LastError()));
  // A second open replaces the current file; the first stays registered
  // and is closed with the connection.
  c.currentFile = ctx.registry->Add(std::move(f), c.id);
  return Status(response, status::kSuccess);
}

uint32_t DoSeek(const BrokerRequest& r, std::span<const uint8_t> payload, ConnectionState& c, uint8_t* response) {
  if (payload.empty()) return Status(response, status::kEmpty);
  if (!c.currentFile) return Status(response, status::kNoFile);
  if (payload.size() < 8 || r.param > 2) return Status(response, payload.size() < 8 ? status::kUnreadable : status::kFailed);
  int64_t position = 0;
  if (!c.currentFile->Seek(GetI64(payload.data()), static_cast<platform::SeekFrom>(r.param), &position))
    return Status(response, status::kFailed);
  PutU32(response, status::kSuccess);
  PutI64(response + 4, position);
  return 12;
}

uint32_t DoWrite(const BrokerRequest& r, std::span<const uint8_t> payload, ConnectionState& c, uint8_t* response) {
  if (payload.empty()) return Status(response, status::kEmpty);
  if (!c.currentFile) return Status(response, status::kNoFile);
  // A message could carry more, but one write is at most what the client
  // may send; a larger one is refused whole rather than written.
  if (payload.size() > kWriteMax) return Status(response, status::kUnreadable);
  uint32_t written = 0;
  const bool ok = c.currentFile->Write(payload.data(), static_cast<uint32_t>(payload.size()), &written);
  PutU32(response, ok ? status::kSuccess : status::kFailed);
  if (r.param != param::kWriteCount) return 4;
  PutU32(response + 4, written);
  return 8;
}

uint32_t DoRead(const BrokerRequest& r, std::span<const uint8_t> payload, ConnectionState& c, uint8_t* response) {
  if (payload.empty()) return Status(response, status::kEmpty);
  if (!c.currentFile) return Status(response, status::kNoFile);
  if (payload.size() < 4) return Status(response, status::kUnreadable);
  const bool withCount = r.param == param::kReadCount;
  const uint32_t offset = withCount ? 8 : 4;
  const uint32_t wanted = GetU32(payload.data());
  // The answer must fit one message.
  if (wanted > kMessageMax - offset) return Status(response, status::kUnreadable);
  uint32_t got = 0;
  const bool ok = c.currentFile->Read(response + offset, wanted, &got);
  PutU32(response, ok ? status::kSuccess : status::kFailed);
  if (withCount) PutU32(response + 4, got);
  return offset + got;
}

uint32_t DoClose(ConnectionState& c, const DispatchContext& ctx, uint8_t* response) {
  if (!c.currentFile) return Status(response, status::kNoFile);
  // The connection's first registered file, as opened first.
  const bool closed = ctx.registry->CloseFirst(c.id);
  c.currentFile = nullptr;
  return Status(response, closed ? status::kSuccess : status::kFailed);
}

uint32_t DoMakeDirectory(std::span<const uint8_t> payload, uint8_t* response) {
  const std::u16string path = PathFromPayload(payload);
  if (path.empty()) return Status(response, status::kEmpty);
  return Status(response, platform::MakeFolderChain(path) ? status::kSuccess : status::kFailed);
}

}  // namespace

uint32_t Dispatch(const BrokerRequest& request, std::span<const uint8_t> received, ConnectionState& connection,
                  const DispatchContext& context, uint8_t* response, bool* disconnect) {
  *disconnect = false;
  // Never trust the length field beyond the bytes that arrived.
  if (request.length > received.size()) return Status(response, status::kUnreadable);
  const auto payload = received.first(request.length);
  switch (request.opcode) {
    case VDFS_OPEN: return DoOpen(request, payload, connection, context, response);
    case VDFS_SEEK: return DoSeek(request, payload, connection, response);
    case VDFS_WRITE: return DoWrite(request, payload, connection, response);
    case VDFS_READ: return DoRead(request, payload, connection, response);
    case VDFS_CLOSE: return DoClose(connection, context, response);
    case VDFS_QUERY:
      if (request.param == param::kQueryMode) {
        PutU32(response, status::kSuccess);
        response[4] = context.serviceMode ? 1 : 0;
        return 5;
      }
      if (request.param == param::kQueryConnections) {
        PutU32(response, status::kSuccess);
        PutU32(response + 4, context.connectionCount);
        return 8;
      }
      return Status(response, status::kUnknownOpcode);
    case VDFS_MKDIR: return DoMakeDirectory(payload, response);
    case VDFS_SHUTDOWN:
      if (context.connectionCount >= 2) return Status(response, status::kRefused);
      *disconnect = true;
      return Status(response, status::kSuccess);
    default: return Status(response, status::kUnknownOpcode);
  }
}

}  // namespace vard::fsb

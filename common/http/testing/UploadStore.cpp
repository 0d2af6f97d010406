#include "common/http/testing/UploadStore.h"

#include <cstdlib>
#include <strings.h>

namespace vard::http_testing {
namespace {

// The time the store gives a file it assembled.
constexpr int64_t kAssembledTime = 1700000000;

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

// A header's parameter (name="value"), or nothing.
std::optional<std::string> Parameter(const std::string& header, const std::string& name) {
  const std::string needle = "; " + name + "=\"";
  const size_t at = header.find(needle);
  if (at == std::string::npos) return std::nullopt;
  const size_t start = at + needle.size();
  const size_t end = header.find('"', start);
  if (end == std::string::npos) return std::nullopt;
  return header.substr(start, end - start);
}

// "3:503,5:500" into number -> value.
template <typename T>
std::map<int, T> Pairs(const std::string& text) {
  std::map<int, T> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(',', pos);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(pos, end - pos);
    const size_t colon = item.find(':');
    if (colon != std::string::npos)
      out[std::atoi(item.substr(0, colon).c_str())] = static_cast<T>(std::strtoull(item.c_str() + colon + 1, nullptr, 10));
    pos = end + 1;
  }
  return out;
}

}  // namespace

std::string UploadRecord::Field(const std::string& name) const {
  for (const auto& [n, v] : fields)
    if (n == name) return v;
  return {};
}

bool UploadRecord::HasField(const std::string& name) const {
  for (const auto& f : fields)
    if (f.first == name) return true;
  return false;
}

std::string UploadRecord::Line() const {
  // A cut request has no file section; its data count is the body read.
  std::string line = "#n=" + std::to_string(number) + "\t#status=" + std::to_string(status) +
                     "\t#wellformed=" + (wellFormed ? "1" : "0") + "\t#cookie=" + Escape(cookie) +
                     "\t#data=" + std::to_string(dataLength);
  if (hasFile) {
    line += "\t#file=1\t#filefirst=" + std::string(fileFirst ? "1" : "0") + "\t#filename=" + Escape(fileName) +
            "\t#type=" + Escape(contentType);
  }
  for (const auto& [n, v] : fields) line += "\t" + Escape(n) + "=" + Escape(v);
  return line;
}

UploadRecord UploadRecord::FromLine(const std::string& line) {
  UploadRecord r;
  size_t pos = 0;
  while (pos <= line.size()) {
    size_t end = line.find('\t', pos);
    if (end == std::string::npos) end = line.size();
    const std::string item = line.substr(pos, end - pos);
    const size_t eq = item.find('=');
    const std::string key = Unescape(item.substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : Unescape(item.substr(eq + 1));
    if (key == "#n") r.number = std::atoi(value.c_str());
    else if (key == "#status") r.status = std::atoi(value.c_str());
    else if (key == "#wellformed") r.wellFormed = value == "1";
    else if (key == "#cookie") r.cookie = value;
    else if (key == "#file") r.hasFile = true;
    else if (key == "#filefirst") r.fileFirst = value == "1";
    else if (key == "#filename") r.fileName = value;
    else if (key == "#type") r.contentType = value;
    else if (key == "#data") r.dataLength = static_cast<size_t>(std::strtoull(value.c_str(), nullptr, 10));
    else if (!key.empty()) r.fields.emplace_back(key, value);
    pos = end + 1;
  }
  return r;
}

UploadSteering UploadSteering::FromQuery(const std::string& fail, const std::string& cut,
                                         const std::optional<std::string>& answer) {
  UploadSteering s;
  s.failWith = Pairs<int>(fail);
  s.cutAt = Pairs<size_t>(cut);
  s.answer = answer;
  return s;
}

int UploadStore::Begin() {
  std::lock_guard lock(mutex_);
  return ++requests_;
}

std::string UploadStore::Key(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "/" + name;
}

std::string UploadStore::FreeName(const std::string& folder, const std::string& name) const {
  const size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const std::string ext = base.size() == name.size() ? std::string() : name.substr(dot);
  for (int n = 1;; ++n) {
    const std::string candidate = base + "(" + std::to_string(n) + ")" + ext;
    if (!files_.count(Key(folder, candidate))) return candidate;
  }
}

std::string UploadStore::Handle(int number, const std::optional<std::vector<MultipartPart>>& parts,
                                const std::string& cookie, const UploadSteering& steering, int& status) {
  UploadRecord r;
  r.number = number;
  r.cookie = cookie;
  std::string data;
  if (!parts) {
    r.wellFormed = false;
  } else {
    for (const auto& part : *parts) {
      std::optional<std::string> fileName;
      std::string type;
      for (const auto& h : part.headers) {
        if (strncasecmp(h.c_str(), "Content-Disposition:", 20) == 0) fileName = Parameter(h, "filename");
        if (strncasecmp(h.c_str(), "Content-Type:", 13) == 0) type = h.substr(h.find(':') + 1);
      }
      if (fileName) {
        r.fileFirst = !r.hasFile && r.fields.empty();
        r.hasFile = true;
        r.fileName = *fileName;
        r.contentType = type.substr(type.find_first_not_of(' ') == std::string::npos ? type.size()
                                                                                    : type.find_first_not_of(' '));
        r.dataLength = part.value.size();
        data = part.value;
      } else {
        r.fields.emplace_back(part.name, part.value);
      }
    }
  }
  std::lock_guard lock(mutex_);
  std::string answer = "ok";
  if (auto f = steering.failWith.find(number); f != steering.failWith.end()) {
    status = f->second;
    answer = "status " + std::to_string(status);
  } else if (!r.wellFormed) {
    status = 400;
    answer = "not a multipart body";
  } else if (r.Field("_action") == "getFileInfo") {
    status = 200;
    answer = FileInfo(r, steering);
  } else if (r.Field("_action") == "attachFile") {
    status = 200;
    Attach(r, std::move(data));
  } else {
    status = 200;
  }
  r.status = status;
  records_.push_back(std::move(r));
  return answer;
}

std::string UploadStore::FileInfo(const UploadRecord& r, const UploadSteering& steering) {
  if (steering.answer) return *steering.answer;
  const std::string folder = r.Field("_folder");
  const std::string name = r.Field("_filename");
  auto answer = [&](bool ask, const std::string& fileName, const Held* held) {
    return "AskRename=" + std::string(ask ? "yes" : "no") + ";FileName=" + fileName +
           ";FileSize=" + std::to_string(held ? held->bytes.size() : 0) +
           ";FileTime=" + std::to_string(held ? held->time : 0) + ";ParentDisplayNameChain=" + folder + ";";
  };
  if (r.Field("_isfolder") == "yes") {
    folders_.insert(Key(folder, name));
    return answer(false, name, nullptr);
  }
  if (r.HasField("_newname")) {
    // A continued upload: what the store has under the name it gave.
    const std::string kept = r.Field("_newname");
    auto it = files_.find(Key(folder, kept));
    return answer(false, kept, it == files_.end() ? nullptr : &it->second);
  }
  auto it = files_.find(Key(folder, name));
  if (it == files_.end()) return answer(false, name, nullptr);
  if (r.Field("_autorename") == "yes") return answer(false, FreeName(folder, name), nullptr);
  return answer(true, name, &it->second);
}

void UploadStore::Attach(const UploadRecord& r, std::string data) {
  Held& f = files_[Key(r.Field("_folder"), r.Field("_filename"))];
  const int part = std::atoi(r.Field("_partno").c_str());
  // Part 0 begins a new sequence: at the start, or after what is held.
  if (part == 0) {
    if (r.Field("_resume") != "y") f.bytes.clear();
    f.partStarts.clear();
  }
  // A part number seen before replaces that part and everything after it.
  if (auto at = f.partStarts.find(part); at != f.partStarts.end()) {
    f.bytes.resize(at->second);
    f.partStarts.erase(at, f.partStarts.end());
  }
  f.partStarts[part] = f.bytes.size();
  f.bytes += data;
  f.time = kAssembledTime;
}

void UploadStore::RecordCut(int number, const std::string& cookie, size_t bodyBytes) {
  UploadRecord r;
  r.number = number;
  r.cookie = cookie;
  r.status = 0;
  r.dataLength = bodyBytes;
  std::lock_guard lock(mutex_);
  records_.push_back(std::move(r));
}

void UploadStore::Hold(const std::string& key, std::string bytes, int64_t time) {
  std::lock_guard lock(mutex_);
  Held& f = files_[key];
  f.bytes = std::move(bytes);
  f.time = time;
  f.partStarts.clear();
}

std::optional<std::string> UploadStore::File(const std::string& key) const {
  std::lock_guard lock(mutex_);
  auto it = files_.find(key);
  if (it == files_.end()) return std::nullopt;
  return it->second.bytes;
}

bool UploadStore::HasFolder(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return folders_.count(key) != 0;
}

std::vector<UploadRecord> UploadStore::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

}  // namespace vard::http_testing

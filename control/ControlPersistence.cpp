#include "ControlPersistence.h"

#include "control/CKT5Ctrl.h"
#include "control/DispatchIds.h"

namespace vard {
namespace {

// Value type tags in the stream, as VARIANT types.
enum : uint16_t { kVtI2 = 2, kVtI4 = 3, kVtBstr = 8, kVtBool = 11, kVtUi4 = 19 };

void PutLe(std::vector<uint8_t>& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
  bool Le(int bytes, uint64_t* v) {
    if (b_.size() - pos_ < static_cast<size_t>(bytes)) return false;
    *v = 0;
    for (int i = 0; i < bytes; ++i) *v |= static_cast<uint64_t>(b_[pos_++]) << (8 * i);
    return true;
  }
  bool Text(size_t byteCount, std::u16string* s) {
    if (byteCount % 2 || b_.size() - pos_ < byteCount) return false;
    s->clear();
    for (size_t i = 0; i < byteCount; i += 2) s->push_back(static_cast<char16_t>(b_[pos_ + i] | (b_[pos_ + i + 1] << 8)));
    pos_ += byteCount;
    return true;
  }

 private:
  const std::vector<uint8_t>& b_;
  size_t pos_ = 0;
};

void WriteValue(std::vector<uint8_t>& out, const Variant& v) {
  switch (v.type) {
    case Variant::Type::kBool: PutLe(out, kVtBool, 2); PutLe(out, static_cast<uint16_t>(v.number), 2); break;
    case Variant::Type::kI2: PutLe(out, kVtI2, 2); PutLe(out, static_cast<uint16_t>(v.number), 2); break;
    case Variant::Type::kUI4: PutLe(out, kVtUi4, 2); PutLe(out, static_cast<uint32_t>(v.number), 4); break;
    case Variant::Type::kString:
      PutLe(out, kVtBstr, 2);
      PutLe(out, v.text.size() * 2, 4);
      for (char16_t c : v.text) PutLe(out, c, 2);
      break;
    default: PutLe(out, kVtI4, 2); PutLe(out, static_cast<uint32_t>(v.number), 4); break;
  }
}

bool ReadValue(Reader& in, Variant* v) {
  uint64_t tag = 0, x = 0;
  if (!in.Le(2, &tag)) return false;
  switch (tag) {
    case kVtBool: if (!in.Le(2, &x)) return false; *v = Variant::Bool(static_cast<int16_t>(x)); return true;
    case kVtI2: if (!in.Le(2, &x)) return false; *v = Variant::I2(static_cast<int16_t>(x)); return true;
    case kVtUi4: if (!in.Le(4, &x)) return false; *v = Variant::UI4(static_cast<uint32_t>(x)); return true;
    case kVtI4: if (!in.Le(4, &x)) return false; *v = Variant::I4(static_cast<int32_t>(x)); return true;
    case kVtBstr: {
      std::u16string s;
      if (!in.Le(4, &x) || !in.Text(static_cast<size_t>(x), &s)) return false;
      *v = Variant::String(std::move(s));
      return true;
    }
    default: return false;
  }
}

Variant Get(CKT5Ctrl& ctrl, const std::u16string& name) {
  Variant v;
  if (const auto* m = dispid::FindMember(name)) ctrl.Invoke(m->id, InvokeKind::kGet, {}, &v);
  return v;
}

void Put(CKT5Ctrl& ctrl, const std::u16string& name, const Variant& value) {
  if (const auto* m = dispid::FindMember(name)) ctrl.Invoke(m->id, InvokeKind::kPut, {value}, nullptr);
}

}  // namespace

const std::vector<std::u16string>& PersistedNames() {
  static const std::vector<std::u16string> names = {
      u"_cx", u"_cy", u"Language", u"ProgramTitle", u"ChildMode", u"UseUnicode", u"LimitRate", u"SetFolder",
      u"SetTempFolder", u"FixResume", u"UseResume", u"UseFullPath", u"ShowFileOpen", u"UseFileSizeQueryString",
      u"UseURLEncode", u"UseBase64Encode", u"UseContextMenu", u"UseContextOpen", u"UseWriteLog",
      u"UseDragDrop", u"FolderType", u"ListStyle", u"ShowStatus", u"ItemWidth", u"ItemWidth2", u"ItemWidth3",
      u"ItemWidth4", u"DialogListHeight", u"URLDownloadComplete", u"OpenFileOverwrite"};
  return names;
}

void LoadFromPropertyBag(CKT5Ctrl& ctrl, IPropertyBag& bag, ControlExtent* extent) {
  for (const std::u16string& name : PersistedNames()) {
    const std::optional<Variant> v = bag.Read(name);
    if (!v) continue;
    if (name == u"_cx" || name == u"_cy") {
      if (extent) (name == u"_cx" ? extent->cx : extent->cy) = static_cast<int32_t>(v->ToInteger().value_or(0));
      continue;
    }
    Put(ctrl, name, *v);
  }
}

void SaveToPropertyBag(CKT5Ctrl& ctrl, IPropertyBag& bag, const ControlExtent& extent) {
  for (const std::u16string& name : PersistedNames()) {
    if (name == u"_cx") bag.Write(name, Variant::I4(extent.cx));
    else if (name == u"_cy") bag.Write(name, Variant::I4(extent.cy));
    else bag.Write(name, Get(ctrl, name));
  }
}

std::vector<uint8_t> SaveToStream(CKT5Ctrl& ctrl, const ControlExtent& extent) {
  std::vector<uint8_t> out;
  for (const std::u16string& name : PersistedNames()) {
    if (name == u"_cx") WriteValue(out, Variant::I4(extent.cx));
    else if (name == u"_cy") WriteValue(out, Variant::I4(extent.cy));
    else WriteValue(out, Get(ctrl, name));
  }
  return out;
}

bool LoadFromStream(CKT5Ctrl& ctrl, const std::vector<uint8_t>& bytes, ControlExtent* extent) {
  Reader in(bytes);
  for (const std::u16string& name : PersistedNames()) {
    Variant v;
    if (!ReadValue(in, &v)) return false;
    if (name == u"_cx" || name == u"_cy") {
      if (extent) (name == u"_cx" ? extent->cx : extent->cy) = static_cast<int32_t>(v.number);
      continue;
    }
    Put(ctrl, name, v);
  }
  return true;
}

}  // namespace vard

#include "common/transfer/ResumeRequest.h"

#include "common/text/Utf.h"

namespace vard::transfer {
namespace {

std::u16string Decimal(int64_t n) { return AsciiToUtf16(std::to_string(n)); }

}  // namespace

std::u16string RangeHeader(int64_t offset) { return u"Range:bytes=" + Decimal(offset) + u"-"; }

std::u16string WithFileSizeQuery(std::u16string_view url, int64_t size) {
  const size_t hash = url.find(u'#');
  const std::u16string_view beforeFragment = url.substr(0, hash);
  const std::u16string_view fragment = hash == std::u16string_view::npos ? u"" : url.substr(hash);
  const size_t question = beforeFragment.find(u'?');
  std::u16string out(beforeFragment);
  if (question == std::u16string_view::npos) out += u'?';
  else if (question + 1 < beforeFragment.size()) out += u'&';
  out += u"_filesize=" + Decimal(size);
  out += fragment;
  return out;
}

ResumeAsk ResumeFrom(std::u16string_view url, int64_t onDisk, bool byQuery) {
  if (byQuery) return {WithFileSizeQuery(url, onDisk), u"", std::nullopt};
  return {std::u16string(url), RangeHeader(onDisk), onDisk};
}

}  // namespace vard::transfer

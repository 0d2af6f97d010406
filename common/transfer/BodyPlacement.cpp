#include "common/transfer/BodyPlacement.h"

#include <algorithm>

namespace vard::transfer {
namespace {

void SkipBlanks(std::u16string_view& s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
}

// Decimal digits into a non-negative int64; none on overflow or no digit.
std::optional<int64_t> Number(std::u16string_view& s) {
  int64_t n = 0;
  size_t i = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    const int d = s[i] - u'0';
    if (n > (INT64_MAX - d) / 10) return std::nullopt;
    n = n * 10 + d;
  }
  if (i == 0) return std::nullopt;
  s.remove_prefix(i);
  return n;
}

bool Take(std::u16string_view& s, char16_t c) {
  SkipBlanks(s);
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  SkipBlanks(s);
  return true;
}

}  // namespace

AnswerClass ClassifyStatus(uint32_t status) {
  if (status >= 500) return AnswerClass::kServerError;
  if (status >= 400) return AnswerClass::kClientError;
  return AnswerClass::kBody;
}

std::optional<int64_t> ParseContentLength(std::u16string_view s) {
  SkipBlanks(s);
  const auto n = Number(s);
  SkipBlanks(s);
  if (!n || !s.empty()) return std::nullopt;
  return n;
}

std::optional<ContentRange> ParseContentRange(std::u16string_view s) {
  SkipBlanks(s);
  constexpr std::u16string_view kUnit = u"bytes";
  if (s.size() < kUnit.size()) return std::nullopt;
  for (size_t i = 0; i < kUnit.size(); ++i)
    if ((s[i] | 0x20) != kUnit[i]) return std::nullopt;
  s.remove_prefix(kUnit.size());
  if (s.empty() || (s.front() != u' ' && s.front() != u'\t')) return std::nullopt;
  SkipBlanks(s);
  ContentRange r;
  auto first = Number(s);
  if (!first || !Take(s, u'-')) return std::nullopt;
  auto last = Number(s);
  if (!last || *last < *first || !Take(s, u'/')) return std::nullopt;
  if (!s.empty() && s.front() == u'*') {
    s.remove_prefix(1);
  } else {
    auto total = Number(s);
    if (!total || *total <= *last) return std::nullopt;
    r.total = *total;
  }
  SkipBlanks(s);
  if (!s.empty()) return std::nullopt;
  r.first = *first;
  r.last = *last;
  return r;
}

Placement PlaceBody(const AnswerFacts& facts) {
  const auto& length = facts.contentLength;
  if (!facts.contentRange) {
    if (facts.resumedByQuery && !facts.rangeFrom) {
      // A query resume is answered with the rest, unless the server ignored
      // the parameter: a length of the whole file is the whole file again,
      // and one that would grow the file past its size is fetched anew.
      const int64_t whole = facts.expectedSize;
      const bool onDisk = facts.sizeOnDisk > 0 && whole > 0;
      if (onDisk && length && *length == whole) return {BodyTarget::kFromStart, 0, *length, false};
      if (onDisk && length && *length > whole - facts.sizeOnDisk) return {BodyTarget::kRefetch, 0};
      if (length) return {BodyTarget::kAppend, facts.sizeOnDisk, facts.sizeOnDisk + *length, false};
      return {BodyTarget::kAppend, facts.sizeOnDisk, onDisk ? whole : -1, onDisk};
    }
    // A range request answered without a range is the whole file.
    return {BodyTarget::kFromStart, 0, length.value_or(-1), false};
  }
  const auto range = ParseContentRange(*facts.contentRange);
  if (!range) return {BodyTarget::kUnusable, 0};
  int64_t end = range->last + 1;
  if (length && *length <= INT64_MAX - range->first) end = std::min(end, range->first + *length);
  // A range is written where it says only when it joins what is on disk.
  if (range->first == facts.sizeOnDisk) return {BodyTarget::kAppend, facts.sizeOnDisk, end, false};
  if (range->first < facts.sizeOnDisk) return {BodyTarget::kWriteAt, range->first, end, false};
  return {BodyTarget::kRefetch, 0};
}

}  // namespace vard::transfer

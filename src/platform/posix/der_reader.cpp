#include "platform/posix/der_reader.h"

#include <vector>

namespace corvane::platform::der {

bool Reader::Next(Element& element) {
  // Any malformed element stops the reader: nothing after it can be trusted.
  auto fail = [this] {
    remaining_ = 0;
    failed_ = true;
    return false;
  };
  if (remaining_ < 2) return fail();
  const uint8_t tag = cursor_[0];
  if ((tag & 0x1F) == 0x1F) return fail();  // multi-byte tag numbers do not occur in certificates
  size_t header = 2;
  size_t length = cursor_[1];
  if (length & 0x80) {
    const size_t count = length & 0x7F;
    // 0x80 is the indefinite form (not DER); more than four length bytes is never a certificate.
    if (count == 0 || count > 4 || remaining_ - 2 < count) return fail();
    length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | cursor_[2 + i];
    if (length < 0x80 || cursor_[2] == 0) return fail();  // not the shortest form
    header += count;
  }
  if (length > remaining_ - header) return fail();
  element.tag = tag;
  element.encoding = cursor_;
  element.encoding_size = header + length;
  element.content = cursor_ + header;
  element.content_size = length;
  cursor_ += element.encoding_size;
  remaining_ -= element.encoding_size;
  return true;
}

bool Reader::Expect(uint8_t tag, Element& element) { return NextHasTag(tag) && Next(element); }

namespace {

// A non-negative integer of any size in base 10^9 limbs, least significant first.
class Decimal {
 public:
  void MultiplyAdd(uint32_t factor, uint32_t addend) {
    uint64_t carry = addend;
    for (uint32_t& limb : limbs_) {
      const uint64_t value = static_cast<uint64_t>(limb) * factor + carry;
      limb = static_cast<uint32_t>(value % kBase);
      carry = value / kBase;
    }
    if (carry != 0) limbs_.push_back(static_cast<uint32_t>(carry));
  }

  // Subtracts `amount` (<= the value).
  void Subtract(uint32_t amount) {
    int64_t borrow = amount;
    for (uint32_t& limb : limbs_) {
      if (borrow == 0) break;
      int64_t value = static_cast<int64_t>(limb) - borrow;
      borrow = 0;
      if (value < 0) {
        value += kBase;
        borrow = 1;
      }
      limb = static_cast<uint32_t>(value);
    }
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }

  bool LessThan(uint32_t value) const {
    return limbs_.empty() || (limbs_.size() == 1 && limbs_[0] < value);
  }

  void AppendTo(std::string& text) const {
    if (limbs_.empty()) {
      text += '0';
      return;
    }
    text += std::to_string(limbs_.back());
    for (size_t i = limbs_.size() - 1; i-- > 0;) {
      const std::string part = std::to_string(limbs_[i]);
      text.append(9 - part.size(), '0');
      text += part;
    }
  }

 private:
  static constexpr uint32_t kBase = 1'000'000'000;
  std::vector<uint32_t> limbs_;
};

}  // namespace

std::optional<std::string> ObjectIdentifierText(const Element& oid) {
  if (oid.content_size == 0) return std::nullopt;
  std::string text;
  bool first = true;
  size_t i = 0;
  while (i < oid.content_size) {
    if (oid.content[i] == 0x80) return std::nullopt;  // a leading zero group is not minimal
    Decimal arc;
    bool more = true;
    while (more) {
      if (i >= oid.content_size) return std::nullopt;  // the last group is cut off
      const uint8_t group = oid.content[i++];
      arc.MultiplyAdd(128, group & 0x7F);
      more = (group & 0x80) != 0;
    }
    if (first) {
      // The first group holds the first two arcs: 40 * first + second (first is 0, 1 or 2).
      const uint32_t top = arc.LessThan(40) ? 0 : arc.LessThan(80) ? 1 : 2;
      arc.Subtract(40 * top);
      text += static_cast<char>('0' + top);
      first = false;
    }
    text += '.';
    arc.AppendTo(text);
  }
  return text;
}

}  // namespace corvane::platform::der

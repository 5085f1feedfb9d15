#include "text/HexText.h"

#include <cstdint>

namespace text {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace

std::optional<QByteArray> ParseHexText(QByteArrayView text) {
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == ' ')
    --end;
  QByteArray bytes;
  qsizetype i = 0;
  while (i < end) {
    while (i < end && IsSpace(text[i]))
      ++i;
    if (i == end)
      break; // only white space was left
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
      negative = text[i++] == '-';
    // "0x" counts as a prefix only when a digit follows, as strtol reads it.
    if (i + 2 < end && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') && HexDigit(text[i + 2]) >= 0)
      i += 2;
    const qsizetype digitsStart = i;
    std::uint64_t magnitude = 0;
    for (; i < end && HexDigit(text[i]) >= 0; ++i) {
      magnitude = magnitude * 16 + static_cast<std::uint64_t>(HexDigit(text[i]));
      if (magnitude > (std::uint64_t{1} << 32))
        magnitude = std::uint64_t{1} << 32; // beyond any 32-bit value; saturate
    }
    if (i == digitsStart)
      return std::nullopt; // no number here: a character that cannot be read
    // Clamp to a signed 32-bit value, as the C library does where long has 32 bits.
    std::int64_t value;
    if (negative)
      value = magnitude >= 0x80000000u ? INT32_MIN : -static_cast<std::int64_t>(magnitude);
    else
      value = magnitude > 0x7FFFFFFFu ? INT32_MAX : static_cast<std::int64_t>(magnitude);
    bytes.append(static_cast<char>(static_cast<std::uint32_t>(value) & 0xFF));
  }
  return bytes;
}

bool IsHexText(QByteArrayView text) {
  for (char c : text) {
    if (c != ' ' && HexDigit(c) < 0)
      return false;
  }
  return true;
}

std::optional<QByteArray> HexTextToText(QByteArrayView text) {
  std::optional<QByteArray> bytes = ParseHexText(text);
  if (bytes) {
    const qsizetype zero = bytes->indexOf('\0');
    if (zero >= 0)
      bytes->truncate(zero);
  }
  return bytes;
}

QByteArray TextToHexText(QByteArrayView text) {
  static const char DIGITS[] = "0123456789abcdef";
  QByteArray out;
  for (char c : text) {
    if (c == '\0')
      break;
    const auto b = static_cast<unsigned char>(c);
    if (!out.isEmpty())
      out.append(' ');
    out.append(DIGITS[b >> 4]);
    out.append(DIGITS[b & 0x0F]);
  }
  return out;
}

} // namespace text

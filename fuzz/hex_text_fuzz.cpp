// Hex send texts of any content: always finishes, and hex texts convert both ways.
#include "FuzzCheck.h"
#include "text/HexText.h"

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  const QByteArrayView in(data, static_cast<qsizetype>(size));
  const std::optional<QByteArray> bytes = text::ParseHexText(in);
  if (text::IsHexText(in))
    FUZZ_CHECK(bytes.has_value());
  if (bytes)
    FUZZ_CHECK(bytes->size() <= in.size());
  // Text to hex and back gives the text up to its first zero byte.
  const qsizetype nul = in.indexOf('\0');
  const QByteArrayView textPart = nul < 0 ? in : in.first(nul);
  const QByteArray hex = text::TextToHexText(in);
  FUZZ_CHECK(text::IsHexText(hex));
  const std::optional<QByteArray> back = text::HexTextToText(hex);
  FUZZ_CHECK(back.has_value() && *back == textPart);
  return 0;
}

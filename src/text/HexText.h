#pragma once
// The terminal's hexadecimal send texts: "01 02 0A" and the like.
#include "text/Lang.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

inline constexpr CMsg MSG_HEX_TEXT_ERROR{"非标准的十六进制字符串", "Error: ALL CHaracters Need Standard HEX"};

namespace text {

// The bytes of a hex text: numbers read one after another the way the C
// library reads base-16 integers (white space, sign, 0x prefix, digits,
// clamped to 32 bits), the low 8 bits of each one byte. Trailing spaces are
// ignored. Nothing when a character cannot be part of a number.
std::optional<QByteArray> ParseHexText(QByteArrayView text);

// True when every character is a hex digit or a space; an empty text is too.
bool IsHexText(QByteArrayView text);

// The bytes of the hex text used as text: up to the first zero byte.
std::optional<QByteArray> HexTextToText(QByteArrayView text);

// Each byte (up to a zero byte) as two lowercase hex digits, space separated.
QByteArray TextToHexText(QByteArrayView text);

} // namespace text

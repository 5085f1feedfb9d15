#pragma once
// Telnet framing for a serial line behind a device server: the byte escaping
// of IAC both ways, option negotiation, and the COM Port Control option
// (RFC 2217) that sets the server's serial line. Pure byte handling, no I/O.
#include <QByteArray>

#include <cstdint>
#include <vector>

namespace telnet {

enum : unsigned char {
  SE = 240,
  NOP = 241,
  SB = 250,
  WILL = 251,
  WONT = 252,
  DO = 253,
  DONT = 254,
  IAC = 255,
};

enum : unsigned char {
  OPT_BINARY = 0,
  OPT_SGA = 3, // suppress go-ahead
  OPT_COM_PORT = 44,
};

// COM Port Control commands, client to server; the server answers with the
// same code plus 100 and the value it has put in force.
enum : unsigned char {
  CPC_SET_BAUDRATE = 1,
  CPC_SET_DATASIZE = 2,
  CPC_SET_PARITY = 3,
  CPC_SET_STOPSIZE = 4,
  CPC_PURGE_DATA = 12,
  CPC_SERVER_OFFSET = 100,
};

// Longest subnegotiation kept; the rest of a longer one is dropped (every
// COM Port Control answer is a few bytes).
inline constexpr int SUBNEG_MAX = 256;

// One thing the server said besides data.
struct Event {
  enum Kind { Command, Subneg } kind = Command;
  unsigned char verb = 0;   // WILL, WONT, DO, DONT (or another two-byte command) for Command
  unsigned char option = 0; // the option, for both kinds
  QByteArray payload;       // Subneg: the bytes after the option, unescaped
  qsizetype at = 0;         // the length of the data output when the event was complete
  bool operator==(const Event &) const = default;
};

// Splits a received byte stream into data and events. Keeps its state
// between calls, so an IAC or a subnegotiation split across reads is whole.
class CDecoder {
public:
  // Appends the data bytes of chunk to data and the events to events.
  // stripCrNul: the sender is not in binary mode, so a NUL after CR is padding.
  void Feed(const char *chunk, qsizetype size, QByteArray &data, std::vector<Event> &events, bool stripCrNul = false);
  void Reset() { *this = CDecoder(); }

private:
  enum class EState { Data, Iac, Verb, SbOption, Sb, SbIac } m_state = EState::Data;
  unsigned char m_verb = 0;
  Event m_sub;
  bool m_afterCr = false;
};

// Data for the wire: IAC doubled; crNul (not in binary mode) sends CR as CR NUL.
QByteArray EscapeData(const char *data, qsizetype size, bool crNul = false);
// The escaped length of the first n bytes of data (to count what went out).
qsizetype EscapedLength(const char *data, qsizetype n, bool crNul = false);
QByteArray Command(unsigned char verb, unsigned char option);
// IAC SB option payload IAC SE, the payload escaped.
QByteArray Subneg(unsigned char option, const QByteArray &payload);

// COM Port Control: one command with its value, ready for the wire.
QByteArray ComPortCommand(unsigned char code, std::uint32_t value, int valueBytes);
// The value of a server's answer (4 bytes for the baud rate, 1 for the others);
// false when the payload is not one.
bool ComPortAnswer(const QByteArray &payload, unsigned char &code, std::uint32_t &value);

// Line settings in the codes of the COM Port Control option.
unsigned char ParityCode(int parity);     // 0 none .. 4 space -> 1 .. 5
unsigned char StopSizeCode(int stopBits); // 0 one, 1 one and a half, 2 two -> 1, 3, 2

} // namespace telnet

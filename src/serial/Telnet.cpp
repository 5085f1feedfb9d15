#include "serial/Telnet.h"

namespace telnet {

void CDecoder::Feed(const char *chunk, qsizetype size, QByteArray &data, std::vector<Event> &events, bool stripCrNul) {
  for (qsizetype i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(chunk[i]);
    switch (m_state) {
    case EState::Data:
      if (b == IAC) {
        m_state = EState::Iac;
      } else if (stripCrNul && m_afterCr && b == 0) {
        m_afterCr = false;
      } else {
        data.append(static_cast<char>(b));
        m_afterCr = b == '\r';
      }
      break;
    case EState::Iac:
      m_state = EState::Data;
      if (b == IAC) {
        data.append(static_cast<char>(b));
        m_afterCr = false;
      } else if (b == WILL || b == WONT || b == DO || b == DONT) {
        m_verb = b;
        m_state = EState::Verb;
      } else if (b == SB) {
        m_state = EState::SbOption;
      }
      // NOP, GA, a stray SE and the other two-byte commands carry nothing for a serial line.
      break;
    case EState::Verb:
      events.push_back(Event{Event::Command, m_verb, b, {}, data.size()});
      m_state = EState::Data;
      break;
    case EState::SbOption:
      m_sub = Event{Event::Subneg, SB, b, {}, 0};
      m_state = EState::Sb;
      break;
    case EState::Sb:
      if (b == IAC)
        m_state = EState::SbIac;
      else if (m_sub.payload.size() < SUBNEG_MAX)
        m_sub.payload.append(static_cast<char>(b));
      break;
    case EState::SbIac:
      if (b == IAC) {
        if (m_sub.payload.size() < SUBNEG_MAX)
          m_sub.payload.append(static_cast<char>(b));
        m_state = EState::Sb;
        break;
      }
      m_sub.at = data.size();
      events.push_back(std::move(m_sub));
      m_sub = Event{};
      m_state = EState::Data;
      if (b != SE) {
        // A command inside a subnegotiation ends it; the command itself still counts.
        m_state = EState::Iac;
        --i;
      }
      break;
    }
  }
}

QByteArray EscapeData(const char *data, qsizetype size, bool crNul) {
  QByteArray out;
  out.reserve(size + size / 16 + 1);
  for (qsizetype i = 0; i < size; ++i) {
    const char c = data[i];
    out.append(c);
    if (static_cast<unsigned char>(c) == IAC)
      out.append(c);
    else if (crNul && c == '\r' && (i + 1 >= size || data[i + 1] != '\n'))
      out.append('\0');
  }
  return out;
}

qsizetype EscapedLength(const char *data, qsizetype n, bool crNul) {
  qsizetype len = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char c = data[i];
    ++len;
    if (static_cast<unsigned char>(c) == IAC || (crNul && c == '\r' && (i + 1 >= n || data[i + 1] != '\n')))
      ++len;
  }
  return len;
}

QByteArray Command(unsigned char verb, unsigned char option) {
  QByteArray out;
  out.append(static_cast<char>(IAC)).append(static_cast<char>(verb)).append(static_cast<char>(option));
  return out;
}

QByteArray Subneg(unsigned char option, const QByteArray &payload) {
  QByteArray out;
  out.append(static_cast<char>(IAC)).append(static_cast<char>(SB)).append(static_cast<char>(option));
  out += EscapeData(payload.constData(), payload.size());
  out.append(static_cast<char>(IAC)).append(static_cast<char>(SE));
  return out;
}

QByteArray ComPortCommand(unsigned char code, std::uint32_t value, int valueBytes) {
  QByteArray payload;
  payload.append(static_cast<char>(code));
  for (int shift = (valueBytes - 1) * 8; shift >= 0; shift -= 8)
    payload.append(static_cast<char>((value >> shift) & 0xFF));
  return Subneg(OPT_COM_PORT, payload);
}

bool ComPortAnswer(const QByteArray &payload, unsigned char &code, std::uint32_t &value) {
  if (payload.isEmpty())
    return false;
  code = static_cast<unsigned char>(payload[0]);
  const qsizetype want = code == CPC_SERVER_OFFSET + CPC_SET_BAUDRATE ? 4 : 1;
  if (payload.size() != 1 + want)
    return false;
  value = 0;
  for (qsizetype i = 1; i <= want; ++i)
    value = (value << 8) | static_cast<unsigned char>(payload[i]);
  return true;
}

unsigned char ParityCode(int parity) { return static_cast<unsigned char>(parity >= 0 && parity <= 4 ? parity + 1 : 1); }

unsigned char StopSizeCode(int stopBits) {
  switch (stopBits) {
  case 1:
    return 3;
  case 2:
    return 2;
  default:
    return 1;
  }
}

} // namespace telnet

#pragma once
// The terminal row below the log, shown in the communication layout: timed
// send with its interval, add CR, hex send, hex display, the data to send and
// the send button. It sends through the window's terminal writer; its clicks
// go to the window's command dispatch, so the window decides what each does.
#include <QHash>
#include <QList>
#include <QTimer>
#include <QWidget>

#include <functional>

class CTerminalWriter;

class CTerminalRow : public QWidget {
public:
  // command: called with the control id of every click on a box or the button.
  CTerminalRow(QWidget *parent, std::function<void(int id)> command);

  // What the row sends through, and how it tells the user a send text is no hex text.
  void Attach(CTerminalWriter *writer, std::function<void(const QString &text)> message);

  QWidget *Control(int id) const { return m_controls.value(id); }
  // The nine controls in row order.
  QList<QWidget *> Controls() const;
  // The row takes no room while hidden; the boxes keep their state.
  void SetShown(bool shown);

  // The send button and every timed-send tick.
  void OnSend(bool timed);
  // The timed-send box: the interval is fixed while the timer runs.
  void OnTimedSend();
  // The hex-send box: the send text turns into its hex form and back.
  void OnHexSend();
  bool HexDisplay() const;
  bool TimedSendActive() const { return m_timedSendTimer.isActive(); }
  int TimedSendPeriod() const { return m_timedSendTimer.interval(); }
  void StopTimer() { m_timedSendTimer.stop(); }
  // Stops the timed send and unticks its box.
  void StopTimedSend();

private:
  bool Checked(int id) const;

  std::function<void(int)> m_command;
  std::function<void(const QString &)> m_message;
  CTerminalWriter *m_writer = nullptr;
  QHash<int, QWidget *> m_controls;
  QTimer m_timedSendTimer;
};

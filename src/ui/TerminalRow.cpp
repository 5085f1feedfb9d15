#include "ui/TerminalRow.h"

#include "device/Terminal.h"
#include "text/HexText.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "widgets/ControlUtil.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace idc;

namespace {
const int ROW_IDS[] = {IDC_TIMED_SEND, IDC_SEND_INTERVAL, IDC_MS_LABEL,  IDC_DATA_LABEL, IDC_ADD_CR,
                       IDC_HEX_SEND,   IDC_HEX_DISPLAY,   IDC_SEND_DATA, IDC_SEND};
} // namespace

CTerminalRow::CTerminalRow(QWidget *parent, std::function<void(int id)> command)
    : QWidget(parent), m_command(std::move(command)) {
  setObjectName(QStringLiteral("terminal_row"));
  auto check = [this](int id, const QString &caption) {
    auto *c = new QCheckBox(caption, this);
    ui::SetControlId(c, id, c->text());
    m_controls.insert(id, c);
    connect(c, &QCheckBox::clicked, this, [this, id] { m_command(id); });
    return c;
  };
  auto label = [this](int id, const QString &caption) {
    auto *l = new QLabel(caption, this);
    ui::SetControlId(l, id);
    m_controls.insert(id, l);
    return l;
  };
  auto edit = [this](int id, const QString &accessibleName) {
    auto *e = new QLineEdit(this);
    ui::SetControlId(e, id, accessibleName);
    m_controls.insert(id, e);
    return e;
  };

  // No margins of its own: the row sits in the output group as its grid did.
  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  QCheckBox *timed = check(IDC_TIMED_SEND, Tr("定时发送", "Schedule Send"));
  QLineEdit *interval = edit(IDC_SEND_INTERVAL, timed->text());
  interval->setFixedWidth(interval->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
  grid->addWidget(timed, 0, 0);
  grid->addWidget(interval, 0, 1);
  grid->addWidget(label(IDC_MS_LABEL, Tr("毫秒/次", "ms")), 0, 2);
  grid->addWidget(check(IDC_ADD_CR, Tr("结尾添加回车符", "Add Enter terminator")), 0, 3);
  grid->addWidget(check(IDC_HEX_SEND, Tr("十六进制发送", "Hex Send")), 0, 4);
  grid->addWidget(check(IDC_HEX_DISPLAY, Tr("十六进制显示", "Hex Display")), 0, 5);
  QLabel *dataLabel = label(IDC_DATA_LABEL, Tr("发送数据：", "Data:"));
  QLineEdit *data = edit(IDC_SEND_DATA, dataLabel->text());
  dataLabel->setBuddy(data);
  grid->addWidget(dataLabel, 1, 0);
  grid->addWidget(data, 1, 1, 1, 4);
  auto *send = new QPushButton(Tr("发送(&S)", "Send"), this);
  send->setAutoDefault(false);
  ui::SetControlId(send, IDC_SEND, send->text());
  m_controls.insert(IDC_SEND, send);
  connect(send, &QPushButton::clicked, this, [this] { m_command(IDC_SEND); });
  grid->addWidget(send, 1, 5);
  grid->setColumnStretch(3, 1);

  m_timedSendTimer.setObjectName(QString::number(TIMER_TIMED_SEND));
  connect(&m_timedSendTimer, &QTimer::timeout, this, [this] { OnSend(true); });
}

void CTerminalRow::Attach(CTerminalWriter *writer, std::function<void(const QString &text)> message) {
  m_writer = writer;
  m_message = std::move(message);
}

QList<QWidget *> CTerminalRow::Controls() const {
  QList<QWidget *> row;
  for (int id : ROW_IDS)
    row << Control(id);
  return row;
}

void CTerminalRow::SetShown(bool shown) {
  for (QWidget *w : Controls())
    w->setVisible(shown);
  setVisible(shown);
}

bool CTerminalRow::Checked(int id) const { return qobject_cast<QAbstractButton *>(Control(id))->isChecked(); }

bool CTerminalRow::HexDisplay() const { return Checked(IDC_HEX_DISPLAY); }

void CTerminalRow::OnSend(bool timed) {
  const QString text = qobject_cast<QLineEdit *>(Control(IDC_SEND_DATA))->text();
  const std::optional<QByteArray> bytes = terminal::SendBytes(text, Checked(IDC_HEX_SEND), Checked(IDC_ADD_CR));
  if (!bytes) {
    // A timed send would repeat the message every tick: it stops first.
    if (timed)
      StopTimedSend();
    m_message(MSG_HEX_TEXT_ERROR.Get());
    return;
  }
  // The line may be slow: the writer queues, the window goes on. A tick while
  // the previous one is still going out is skipped rather than piled up.
  if (timed)
    m_writer->SendIfIdle(*bytes);
  else
    m_writer->Send(*bytes);
}

void CTerminalRow::OnTimedSend() {
  auto *interval = qobject_cast<QLineEdit *>(Control(IDC_SEND_INTERVAL));
  if (!Checked(IDC_TIMED_SEND)) {
    interval->setReadOnly(false);
    m_timedSendTimer.stop();
    return;
  }
  interval->setReadOnly(true);
  m_timedSendTimer.start(terminal::TimedSendInterval(interval->text()));
}

void CTerminalRow::StopTimedSend() {
  qobject_cast<QAbstractButton *>(Control(IDC_TIMED_SEND))->setChecked(false);
  OnTimedSend();
}

void CTerminalRow::OnHexSend() {
  auto *data = qobject_cast<QLineEdit *>(Control(IDC_SEND_DATA));
  const QString text = data->text();
  if (text.isEmpty())
    return;
  const std::optional<QString> converted = terminal::ToggleHexSend(text, Checked(IDC_HEX_SEND));
  if (!converted) {
    m_message(MSG_HEX_TEXT_ERROR.Get());
    return;
  }
  data->setText(*converted);
}

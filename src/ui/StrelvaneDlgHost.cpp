// The window's side of the dialog host and its output-log handlers. Host calls
// may come from any thread; each is carried out on the window thread before it returns.
#include "ui/StrelvaneDlg.h"

#include "base/AtomicFile.h"
#include "ui/WritePreviewDlg.h"

#include "device/DeviceController.h"
#include "base/ThreadExecutor.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "ui/OutputView.h"
#include "ui/TerminalRow.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

using namespace idc;

namespace {
const CMsg MSG_OPEN_FAILED{"文件打开失败", "文件打开失败"};
const CMsg MSG_SAVED{"保存成功", "Save Successful"};
} // namespace

template <class R, class F> R CStrelvaneDlg::OnWindow(R fallback, F fn) {
  R result = fallback;
  m_executor->Call([&] { result = fn(); });
  return result;
}

template <class F> void CStrelvaneDlg::OnWindow(F fn) { m_executor->Call(fn); }

// ---- DialogHost

void CStrelvaneDlg::AppendOutput(const QString &text) {
  OnWindow([&] {
    const qsizetype dropped = m_log.Append(text);
    m_output->Append(text, dropped);
  });
}

void CStrelvaneDlg::EnableOperationButtons(bool enable) {
  OnWindow([&] {
    if (!enable) {
      for (int id : OPERATION_SET)
        Control(id)->setEnabled(false);
      Control(IDC_SAVE_CONFIG)->setEnabled(false);
      Control(IDC_POWER_OFF)->setEnabled(false);
      return;
    }
    // Power-off only for a device that listed the first power-schedule group.
    Control(IDC_POWER_OFF)->setEnabled(m_device->Session().Table().Found(PARAM_ALARM_FIRST));
    for (int id : OPERATION_SET)
      Control(id)->setEnabled(true);
  });
}

void CStrelvaneDlg::EnableSaveToFile() {
  OnWindow([&] { Control(IDC_SAVE_CONFIG)->setEnabled(true); });
}

void CStrelvaneDlg::UpdatePortControls() {
  OnWindow([&] {
    auto *b = qobject_cast<QPushButton *>(Control(IDC_OPEN_CLOSE));
    const bool opening = m_device->Opening();
    b->setText(opening ? Tr("取消", "Cancel") : IsPortOpen() ? Tr("关闭串口", "Close") : Tr("打开串口", "Open"));
    b->setAccessibleName(b->text());
    b->setToolTip(opening ? Tr("正在连接串口服务器；按下停止连接", "Connecting to the device server; press to stop")
                          : QString());
    for (QComboBox *c : {m_portCombo, m_baudCombo, m_parityCombo})
      c->setEnabled(!IsPortOpen() && !opening);
    // A long address typed in shows from its start (the scheme and host) once locked.
    if (!m_portCombo->isEnabled() && m_portCombo->lineEdit())
      m_portCombo->lineEdit()->setCursorPosition(0);
  });
}

void CStrelvaneDlg::SetConfigurationLayout() {
  OnWindow([&] {
    // Out of sight, a timed send would go on writing into the configuration
    // exchanges: leaving communication state stops it and unticks it.
    m_terminalRow->StopTimedSend();
    m_terminalRow->SetShown(false);
    m_output->SetTerminalMode(false);
    m_bConfigLayout = true;
  });
}

void CStrelvaneDlg::SetCommunicationLayout() {
  OnWindow([&] {
    m_terminalRow->SetShown(true);
    m_output->SetTerminalMode(true);
    m_bConfigLayout = false;
  });
}

void CStrelvaneDlg::SetCommStateSelected(bool comm) {
  OnWindow([&] { qobject_cast<QRadioButton *>(Control(comm ? IDC_MODE_COMM : IDC_MODE_CONFIG))->setChecked(true); });
}

void CStrelvaneDlg::EnableControl(int id, bool enable) {
  OnWindow([&] {
    if (QWidget *w = Control(id))
      w->setEnabled(enable);
  });
}

bool CStrelvaneDlg::ConfirmWrites(const QList<WriteRow> &rows) {
  // A window closing under the question writes nothing.
  return OnWindow(false, [&] {
    if (m_previewHook)
      return m_previewHook(rows);
    CWritePreviewDlg preview(rows, this);
    return preview.exec() == QDialog::Accepted;
  });
}

void CStrelvaneDlg::ShowMessage(const QString &text, const QString &caption) {
  OnWindow([&] {
    if (m_messageHook) {
      m_messageHook(text, caption);
      return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? windowTitle() : caption, text, QMessageBox::Ok, this);
    box.exec();
  });
}

bool CStrelvaneDlg::AskYesNo(const QString &text, const QString &caption) {
  return OnWindow(false, [&] {
    if (m_questionHook)
      return m_questionHook(text, caption);
    // Every question here confirms something that cannot be taken back: No is the default.
    QMessageBox box(QMessageBox::Question, caption.isEmpty() ? windowTitle() : caption, text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(Tr("是", "Yes"));
    box.button(QMessageBox::No)->setText(Tr("否", "No"));
    return box.exec() == QMessageBox::Yes;
  });
}

void CStrelvaneDlg::StartPromptTimer(int periodMs) {
  OnWindow([&] { m_promptTimer.start(std::max(periodMs, 1)); });
}

void CStrelvaneDlg::StopPromptTimer() {
  OnWindow([&] { m_promptTimer.stop(); });
}

void CStrelvaneDlg::ShowProgress(int done, int total) {
  OnWindow([&] {
    if (total <= 0) {
      m_progress->hide();
      return;
    }
    m_progress->setRange(0, total);
    m_progress->show();
    m_progress->setValue(std::clamp(done, 0, total));
  });
}

// ---- Output log

void CStrelvaneDlg::OnClearOutput() {
  m_log.Clear();
  m_output->Clear();
}

void CStrelvaneDlg::OnSaveOutput() {
  // The log's text, or the session's transcript: every byte sent and received.
  const QString outputFilter = Tr("输出信息 (*.txt)", "Output text (*.txt)");
  const QString transcriptFilter =
      Tr("会话记录：收发的每个字节 (*.log)", "Session transcript: every byte sent and received (*.log)");
  const QString filters = outputFilter + QStringLiteral(";;") + transcriptFilter;
  QString chosen;
  const QString path =
      m_fileDialogHook
          ? m_fileDialogHook(true, QStringLiteral("Tavrenholt-Dtu.txt"), filters)
          : QFileDialog::getSaveFileName(this, QString(), QStringLiteral("Tavrenholt-Dtu.txt"), filters, &chosen);
  if (path.isEmpty())
    return;
  if (chosen == transcriptFilter || path.endsWith(QLatin1String(".log"), Qt::CaseInsensitive))
    SaveTranscriptTo(path);
  else
    SaveOutputTo(path);
}

bool CStrelvaneDlg::SaveTranscriptTo(const QString &path) {
  if (!WriteFileAtomically(path, m_transcript.Utf8())) {
    ShowMessage(MSG_OPEN_FAILED.Get(), {});
    return false;
  }
  ShowMessage(MSG_SAVED.Get(), {});
  return true;
}

bool CStrelvaneDlg::SaveOutputTo(const QString &path) {
  const QString text = m_output->LogText();
  if (!SaveLogFile(path, text)) {
    // One message for every failure: the old file, if any, is left as it was.
    ShowMessage(MSG_OPEN_FAILED.Get(), {});
    return false;
  }
  if (!text.isEmpty())
    ShowMessage(MSG_SAVED.Get(), {});
  return true;
}

QString CStrelvaneDlg::AskFileName(bool save, const QString &name, const QString &filter) {
  if (m_fileDialogHook)
    return m_fileDialogHook(save, name, filter);
  // No extension is added and an existing file is replaced without asking, as the tool always did.
  if (save)
    return QFileDialog::getSaveFileName(this, QString(), name, filter, nullptr, QFileDialog::DontConfirmOverwrite);
  return QFileDialog::getOpenFileName(this, QString(), name, filter);
}

void CStrelvaneDlg::OnBrowseConfigFile() {
  const QString path = AskFileName(false, QString(), QStringLiteral("*.cfg"));
  if (!path.isEmpty())
    qobject_cast<QLineEdit *>(Control(IDC_CONFIG_PATH))->setText(path);
}

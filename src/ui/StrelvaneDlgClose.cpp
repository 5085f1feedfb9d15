// Closing the main window: neither Enter nor Escape closes it, a close with
// page edits the device does not have yet asks first, and a close ends every
// worker at once.
#include "ui/StrelvaneDlg.h"

#include "device/DeviceController.h"
#include "device/SaveSequencer.h"
#include "device/Terminal.h"
#include "text/Lang.h"
#include "ui/TerminalRow.h"

#include <QKeyEvent>

namespace {
const CMsg MSG_CLOSE_UNWRITTEN{"页面上有尚未写入设备的修改，关闭后这些修改将丢失。仍要关闭吗？",
                               "Some page edits have not been written to the device and will be lost. Close anyway?"};
} // namespace

void CStrelvaneDlg::accept() {}

void CStrelvaneDlg::done(int result) {
  m_promptTimer.stop();
  m_terminalRow->StopTimer();
  m_terminal->Shutdown();
  m_portRefreshTimer.stop();
  m_demoPowerTimer.stop();
  // Nothing more reaches the device, then workers waiting for the window are
  // released (the controller closes the gate), then they end at once.
  m_device->Shutdown();
  QDialog::done(result);
}

void CStrelvaneDlg::reject() {
  // The close box and the menu come here; the edits of a technician who has
  // not pressed Save yet are not thrown away without a word.
  if (HasUnwrittenEdits(*m_pages, m_device->Session().Table()) && !AskYesNo(MSG_CLOSE_UNWRITTEN.Get(), QString()))
    return;
  QDialog::reject();
}

void CStrelvaneDlg::keyPressEvent(QKeyEvent *e) {
  // Escape in a field would end the program: it does nothing here.
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

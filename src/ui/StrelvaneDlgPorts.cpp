// The window's port controls: the port list and its refresh, opening and
// closing the chosen port, and the simulated device behind demo mode.
#include "ui/StrelvaneDlg.h"

#include "device/DeviceController.h"
#include "base/Timing.h"
#include "serial/PortUrl.h"
#include "text/Lang.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

bool CStrelvaneDlg::IsPortOpen() const { return m_device->Serial().IsOpen(); }

void CStrelvaneDlg::OpenClosePort() {
  if (m_device->Opening()) {
    m_device->CancelOpen(); // the button reads Cancel while a device server is being reached
    return;
  }
  if (!IsPortOpen()) {
    m_openedPort = m_portCombo->currentText();
    m_openedBaud = m_baudCombo->currentText();
    if (ParsePortUrl(m_openedPort.trimmed()).IsNetwork()) {
      m_openedPort = m_openedPort.trimmed();
      RememberTypedPort(m_openedPort);
      // Reaching a device server can take seconds: the window goes on meanwhile.
      m_device->OpenPortInBackground(m_openedPort, m_openedPort, m_openedBaud, [this] { UpdatePortControls(); });
      m_demoPowerTimer.stop();
      return;
    }
  }
  m_device->OpenClosePort(m_openedPort, m_openedPort, m_openedBaud);
  // The simulated device is switched on a moment after its port opens, as a
  // technician would after opening the port.
  if (IsPortOpen() && !m_demoPath.isEmpty() && m_openedPort == m_demoPath)
    m_demoPowerTimer.start(CTiming::Ms(1000));
  else
    m_demoPowerTimer.stop();
}

void CStrelvaneDlg::FillPortCombo(const QList<CPortEntry> &ports) {
  m_portCombo->clear();
  for (const CPortEntry &p : ports) {
    m_portCombo->addItem(p.name);
    if (!p.description.isEmpty())
      m_portCombo->setItemData(m_portCombo->count() - 1, p.description, Qt::ToolTipRole);
  }
}

void CStrelvaneDlg::RefreshPortList() {
  // An open port's controls are locked, and an open drop-down is not pulled from under the user.
  if (!m_portSource || IsPortOpen() || m_device->Opening() || m_portCombo->view()->isVisible())
    return;
  const QList<CPortEntry> ports = WithTypedPorts(m_portSource());
  bool same = ports.size() == m_portCombo->count();
  for (qsizetype i = 0; same && i < ports.size(); ++i) {
    const int row = static_cast<int>(i);
    same = ports[i].name == m_portCombo->itemText(row) &&
           ports[i].description == m_portCombo->itemData(row, Qt::ToolTipRole).toString();
  }
  if (same)
    return;
  const QString chosen = m_portCombo->currentText();
  FillPortCombo(ports);
  if (chosen.isEmpty())
    return; // nothing was chosen: the first port now is
  const int pos = m_portCombo->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (pos >= 0)
    m_portCombo->setCurrentIndex(pos);
  else
    m_portCombo->setEditText(chosen); // a port that went away stays chosen; opening it says why
}

QList<CPortEntry> CStrelvaneDlg::WithTypedPorts(QList<CPortEntry> ports) const {
  for (const QString &url : m_typedPorts) {
    const bool listed = std::any_of(ports.begin(), ports.end(), [&](const CPortEntry &p) { return p.name == url; });
    if (!listed)
      ports.append({url, Tr("串口服务器", "device server")});
  }
  return ports;
}

void CStrelvaneDlg::RememberTypedPort(const QString &url) {
  // The list as it is, without the addresses typed before: they go after the ports, newest first.
  QList<CPortEntry> ports;
  for (int i = 0; i < m_portCombo->count(); ++i) {
    const QString name = m_portCombo->itemText(i);
    if (!m_typedPorts.contains(name))
      ports.append({name, m_portCombo->itemData(i, Qt::ToolTipRole).toString()});
  }
  m_typedPorts.removeAll(url);
  m_typedPorts.prepend(url);
  while (m_typedPorts.size() > TYPED_PORTS_KEPT)
    m_typedPorts.removeLast();
  FillPortCombo(WithTypedPorts(ports));
  m_portCombo->setCurrentIndex(m_portCombo->findText(url, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void CStrelvaneDlg::EnableDemo(const QString &path, std::function<void()> repower) {
  m_demoPath = path;
  m_demoRepower = std::move(repower);
  if (m_repowerAction)
    return;
  QMenu *demo = m_menuBar->addMenu(Tr("模拟设备(&D)", "&Demo"));
  m_repowerAction = demo->addAction(Tr("重新上电模拟设备(&P)", "Re-&power simulated device"), this, [this] {
    if (m_demoRepower)
      m_demoRepower();
  });
  m_repowerAction->setObjectName(QStringLiteral("demo_repower"));
}

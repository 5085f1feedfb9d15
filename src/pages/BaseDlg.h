#pragma once
// Data-center page: how many centers, address and port of each, and their DNS servers.
#include "pages/PageDlg.h"

class CBaseDlg : public CPageDlg {
public:
  explicit CBaseDlg(QWidget *parent = nullptr) : CPageDlg(EPage::Base, parent) {}

  // TRUE: the client form. FALSE: the listen-port form, where only the main
  // center's port (1010, the port the device listens on) takes input.
  void SetClientMode(bool client);
  bool ClientMode() const { return m_client; }

protected:
  void Build() override;

private:
  bool m_client = true;
};

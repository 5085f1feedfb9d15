#pragma once
// Other-parameter page: network access, SMS center, heartbeat, remote wake-up, TCP unit size.
#include "pages/PageDlg.h"

class COtherDlg : public CPageDlg {
public:
  explicit COtherDlg(QWidget *parent = nullptr) : CPageDlg(EPage::Other, parent) {}

protected:
  void Build() override;
};

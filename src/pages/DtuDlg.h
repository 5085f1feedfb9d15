#pragma once
// Work-parameter page: work mode, activation, serial line, identity, packets, reconnection.
#include "pages/PageDlg.h"

class CDtuDlg : public CPageDlg {
public:
  explicit CDtuDlg(QWidget *parent = nullptr) : CPageDlg(EPage::Dtu, parent) {}

protected:
  void Build() override;
};

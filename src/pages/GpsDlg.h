#pragma once
// GPS page: output interface, interval, GPS server and the NMEA sentences sent.
#include "pages/PageDlg.h"

class CGpsDlg : public CPageDlg {
public:
  explicit CGpsDlg(QWidget *parent = nullptr) : CPageDlg(EPage::Gps, parent) {}

protected:
  void Build() override;
};

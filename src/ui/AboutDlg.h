#pragma once
// The about box; Chinese in both interface languages.
#include <QDialog>
#include <QIcon>

class CAboutDlg : public QDialog {
public:
  explicit CAboutDlg(QWidget *parent = nullptr);
};

// The program's icon, drawn so that no image file has to ship with it.
QIcon MainIcon();

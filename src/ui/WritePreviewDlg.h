#pragma once
// The list of parameters a save is about to write (label, device value, new
// value), with Write and Cancel. Nothing is written unless Write is pressed.
#include "host/DialogHost.h"

#include <QDialog>

class QTableWidget;
class QPushButton;

class CWritePreviewDlg : public QDialog {
public:
  explicit CWritePreviewDlg(const QList<WriteRow> &rows, QWidget *parent = nullptr);

  QTableWidget *Table() const { return m_table; }
  QPushButton *WriteButton() const { return m_write; }
  QPushButton *CancelButton() const { return m_cancel; }

private:
  QTableWidget *m_table;
  QPushButton *m_write;
  QPushButton *m_cancel;
};

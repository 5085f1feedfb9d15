#pragma once
// Base of the setting pages hosted by the tab sheet: a child dialog created on
// the tab sheet's first Show, with its controls addressed by identifier.
#include "params/ParamTable.h"

#include <QHash>
#include <QList>
#include <QWidget>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class CIpAddressEdit;

class CPageDlg : public QWidget {
public:
  explicit CPageDlg(EPage page, QWidget *parent = nullptr);

  EPage Page() const { return m_page; }
  bool IsCreated() const { return m_created; }
  // Builds the controls inside parent, sets the captions of the chosen language
  // and disables the inputs (the page's initialisation).
  void Create(QWidget *parent);

  QWidget *Control(int id) const { return m_controls.value(id); }
  const QList<int> &InputIds() const { return m_inputIds; }

  virtual void DisableAll();
  virtual void EnableAll();

protected:
  virtual void Build() = 0;

  QLabel *AddLabel(int id, const char *zh, const char *en);
  QGroupBox *AddGroup(int id, const char *zh, const char *en);
  QLineEdit *AddEdit(int id, const QString &accessibleName);
  QComboBox *AddList(int id, const QString &accessibleName, bool editable = false);
  CIpAddressEdit *AddIp(int id, const QString &accessibleName);
  QPushButton *AddButton(int id, const char *zh, const char *en, const QString &accessibleName = {});
  // Registers a control made elsewhere; inputs are switched by DisableAll/EnableAll.
  void AddControl(QWidget *w, int id, const QString &accessibleName, bool input);
  void SetInputsEnabled(bool enable);

  QList<int> m_inputIds;

private:
  void Register(QWidget *w, int id, const QString &accessibleName);

  EPage m_page;
  bool m_created = false;
  QHash<int, QWidget *> m_controls;
};

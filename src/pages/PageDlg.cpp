#include "pages/PageDlg.h"

#include "params/PageItems.h"
#include "text/Lang.h"
#include "widgets/ControlUtil.h"
#include "widgets/IpAddressEdit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CPageDlg::CPageDlg(EPage page, QWidget *parent) : QWidget(parent), m_page(page) {
  ui::MarkDialog(this);
  // Not shown before the tab sheet offers it.
  hide();
}

void CPageDlg::Create(QWidget *parent) {
  if (m_created)
    return;
  setParent(parent);
  hide();
  Build();
  m_created = true;
  DisableAll();
}

void CPageDlg::Register(QWidget *w, int id, const QString &accessibleName) {
  ui::SetControlId(w, id, accessibleName);
  m_controls.insert(id, w);
}

QLabel *CPageDlg::AddLabel(int id, const char *zh, const char *en) {
  auto *label = new QLabel(Tr(zh, en), this);
  Register(label, id, {});
  return label;
}

QGroupBox *CPageDlg::AddGroup(int id, const char *zh, const char *en) {
  auto *group = new QGroupBox(Tr(zh, en), this);
  Register(group, id, {});
  return group;
}

QLineEdit *CPageDlg::AddEdit(int id, const QString &accessibleName) {
  auto *edit = new QLineEdit(this);
  Register(edit, id, accessibleName);
  m_inputIds << id;
  return edit;
}

QComboBox *CPageDlg::AddList(int id, const QString &accessibleName, bool editable) {
  auto *combo = new QComboBox(this);
  combo->setEditable(editable);
  if (editable)
    combo->setInsertPolicy(QComboBox::NoInsert);
  combo->addItems(pageitems::Items(m_page, id));
  // A list starts with nothing selected until the page is filled.
  combo->setCurrentIndex(-1);
  Register(combo, id, accessibleName);
  m_inputIds << id;
  return combo;
}

CIpAddressEdit *CPageDlg::AddIp(int id, const QString &accessibleName) {
  auto *edit = new CIpAddressEdit(this);
  Register(edit, id, accessibleName);
  m_inputIds << id;
  return edit;
}

QPushButton *CPageDlg::AddButton(int id, const char *zh, const char *en, const QString &accessibleName) {
  auto *button = new QPushButton(Tr(zh, en), this);
  button->setAutoDefault(false);
  Register(button, id, accessibleName.isEmpty() ? button->text() : accessibleName);
  return button;
}

void CPageDlg::AddControl(QWidget *w, int id, const QString &accessibleName, bool input) {
  Register(w, id, accessibleName);
  if (input)
    m_inputIds << id;
}

void CPageDlg::SetInputsEnabled(bool enable) {
  for (int id : m_inputIds) {
    if (QWidget *w = Control(id))
      w->setEnabled(enable);
  }
}

void CPageDlg::DisableAll() { SetInputsEnabled(false); }

void CPageDlg::EnableAll() { SetInputsEnabled(true); }

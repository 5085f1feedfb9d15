#pragma once
// Answers the real message boxes a widget test runs into: while it lives, every
// QMessageBox that becomes the active modal widget is recorded (caption and
// text) and closed with the chosen button.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <utility>

class CBoxAnswerer {
public:
  struct Box {
    QString caption;
    QString text;
  };

  explicit CBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok) : m_answer(answer) {
    QObject::connect(&m_poll, &QTimer::timeout, [this] { Poll(); });
    m_poll.start(5);
  }

  void SetAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
  const QList<Box> &Boxes() const { return m_boxes; }
  void Clear() { m_boxes.clear(); }
  QStringList Texts() const {
    QStringList out;
    for (const Box &b : m_boxes)
      out << b.text;
    return out;
  }

private:
  void Poll() {
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || box->property("answered").toBool())
      return;
    box->setProperty("answered", true);
    m_boxes.append({box->windowTitle(), box->text()});
    QAbstractButton *button = box->button(m_answer);
    if (!button)
      button = box->buttons().value(0);
    QTimer::singleShot(0, button, &QAbstractButton::click);
  }

  QMessageBox::StandardButton m_answer;
  QTimer m_poll;
  QList<Box> m_boxes;
};

#include "forms/QtView.h"

#include <QApplication>
#include <QColor>
#include <QSignalBlocker>
#include <QStatusBar>

namespace korvel {

void QtView::BeatLamp(uint32_t color) {
  // Colours travel as 0x00BBGGRR, as the core and the configuration keep them.
  const QColor qcolor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  QMetaObject::invokeMethod(
      beatLamp_,
      [lamp = beatLamp_, qcolor] {
        lamp->setStyleSheet(QString("background-color: %1;").arg(qcolor.name()));
      },
      Qt::QueuedConnection);
}

void QtView::MeasureDisplay(const std::string& text) {
  QMetaObject::invokeMethod(
      measureDisplay_,
      [label = measureDisplay_, value = QString::fromStdString(text)] { label->setText(value); },
      Qt::QueuedConnection);
}

void QtView::ChordPanel(const std::string& text) {
  QMetaObject::invokeMethod(
      chordPanel_,
      [this, label = chordPanel_, value = QString::fromStdString(text)] {
        label->setText(value);
        if (ChordShown) ChordShown();
      },
      Qt::QueuedConnection);
}

void QtView::Title(const std::string& text) {
  QMetaObject::invokeMethod(
      window_,
      [window = window_, value = QString::fromStdString(text)] { window->setWindowTitle(value); },
      Qt::QueuedConnection);
}

void QtView::TempoField(int tempo) {
  QMetaObject::invokeMethod(
      tempoField_,
      [field = tempoField_, tempo] {
        // The core has the tempo already: the field only shows it.
        const QSignalBlocker block(field);
        field->setValue(tempo);
      },
      Qt::QueuedConnection);
}

void QtView::FocusKeyboard() {
  QMetaObject::invokeMethod(
      window_, [window = window_] { window->setFocus(); }, Qt::QueuedConnection);
}

void QtView::BeatPanel(const std::string& text) {
  QMetaObject::invokeMethod(
      beatPanel_,
      [label = beatPanel_, value = QString::fromStdString(text)] { label->setText(value); },
      Qt::QueuedConnection);
}

void QtView::SongTransportChanged() {
  QMetaObject::invokeMethod(
      window_,
      [this] {
        if (SongChanged) SongChanged();
      },
      Qt::QueuedConnection);
}

void QtView::Progress(const std::string& caption, int percent) {
  QMetaObject::invokeMethod(
      window_,
      [window = window_, text = QString::fromStdString(caption), percent] {
        if (percent < 0) {
          window->statusBar()->clearMessage();
        } else {
          window->statusBar()->showMessage(QString("%1 %2 %").arg(text).arg(percent));
        }
      },
      Qt::QueuedConnection);
}

void QtView::Busy(bool on) {
  QMetaObject::invokeMethod(
      window_,
      [on] {
        if (on) {
          QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
          QApplication::restoreOverrideCursor();
        }
      },
      Qt::QueuedConnection);
}

}  // namespace korvel

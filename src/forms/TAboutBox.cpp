#include "forms/TAboutBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace korvel {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About Korvel");
  auto* column = new QVBoxLayout(this);
  auto* name = new QLabel("<h2>Korvel</h2>");
  name->setAlignment(Qt::AlignCenter);
  column->addWidget(name);
  auto* text = new QLabel(
      "A MIDI arranger: play chords, and Korvel plays the band.\nVersion " KORVEL_VERSION);
  text->setAlignment(Qt::AlignCenter);
  column->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  column->addWidget(buttons);
}

}  // namespace korvel

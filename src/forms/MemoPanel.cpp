#include "forms/MemoPanel.h"

#include <QFormLayout>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>
#include <mutex>

namespace korvel {

MemoPanel::MemoPanel(Engine& engine, Songs& songs, Configuration& settings, QWidget* parent)
    : QWidget(parent),
      Memo(new QPlainTextEdit),
      Title(new QLineEdit),
      Subtitle(new QLineEdit),
      Author(new QLineEdit),
      Copyright(new QLineEdit),
      AutoPopUp(new QCheckBox("Auto pop-up")),
      engine_(engine),
      songs_(songs),
      settings_(settings) {
  setObjectName("Memo");
  auto* column = new QVBoxLayout(this);
  Memo->setObjectName("MemoText");
  Memo->setToolTip("Notes on the song, saved with it");
  Memo->setTabChangesFocus(true);
  column->addWidget(Memo, 1);
  auto* form = new QFormLayout;
  form->addRow("Title", Title);
  form->addRow("Subtitle", Subtitle);
  form->addRow("Author", Author);
  form->addRow("Copyright", Copyright);
  column->addLayout(form);
  AutoPopUp->setToolTip("Open the song editor by itself after an arrangement is loaded");
  column->addWidget(AutoPopUp);

  connect(Memo, &QPlainTextEdit::textChanged, this, [this] {
    const std::string text = Memo->toPlainText().toStdString();
    bool taken = false;
    std::string memo;
    {
      std::lock_guard lock(engine_.Lock);
      // A song opened since the memo was shown keeps its own memo: the edit was of the old one.
      if (songs_.Memo == shownMemo_) taken = songs_.EditMemo(text);
      memo = songs_.Memo;
    }
    shownMemo_ = memo;
    if (taken) return;
    // Past the limit the memo stays as it was, the cursor where the typing stopped.
    const int position = Memo->textCursor().position();
    const QSignalBlocker block(Memo);
    Memo->setPlainText(QString::fromStdString(memo));
    QTextCursor cursor = Memo->textCursor();
    cursor.setPosition(std::min(position, static_cast<int>(Memo->toPlainText().size())));
    Memo->setTextCursor(cursor);
  });
  BindLine(Title, &Songs::Title);
  BindLine(Subtitle, &Songs::Subtitle);
  BindLine(Author, &Songs::Author);
  BindLine(Copyright, &Songs::Copyright);
  connect(AutoPopUp, &QCheckBox::toggled, this,
          [this](bool on) { settings_.Set("MPU", on ? 1 : 0); });
  // Songs are opened from several windows: while shown, the panel follows the one in memory.
  follow_.setInterval(500);
  connect(&follow_, &QTimer::timeout, this, [this] {
    if (isVisible()) {
      Refresh();
    } else {
      follow_.stop();
    }
  });
  Refresh();
}

MemoPanel::~MemoPanel() {
  // The songs may be gone already: nothing the edits still say reaches them.
  for (QObject* edit : std::initializer_list<QObject*>{Memo, Title, Subtitle, Author, Copyright})
    edit->disconnect(this);
}

void MemoPanel::BindLine(QLineEdit* edit, std::string Songs::*field) {
  edit->setToolTip("Saved with the song after the memo");
  connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
    std::lock_guard lock(engine_.Lock);
    songs_.*field = text.toStdString();
  });
}

void MemoPanel::Refresh() {
  std::string memo;
  std::array<std::string, 4> lines;
  {
    std::lock_guard lock(engine_.Lock);
    memo = songs_.Memo;
    lines = {songs_.Title, songs_.Subtitle, songs_.Author, songs_.Copyright};
  }
  shownMemo_ = memo;
  // Only a changed text is set again: the cursor stays where the musician types.
  const QString text = QString::fromStdString(memo);
  if (Memo->toPlainText() != text) {
    const QSignalBlocker block(Memo);
    Memo->setPlainText(text);
  }
  const std::array<QLineEdit*, 4> edits = {Title, Subtitle, Author, Copyright};
  for (size_t i = 0; i < edits.size(); ++i) {
    const QString line = QString::fromStdString(lines[i]);
    if (edits[i]->text() != line) edits[i]->setText(line);
  }
  const QSignalBlocker block(AutoPopUp);
  AutoPopUp->setChecked(settings_.Boolean("MPU"));
}

void MemoPanel::showEvent(QShowEvent* event) {
  Refresh();
  follow_.start();
  QWidget::showEvent(event);
}

}  // namespace korvel

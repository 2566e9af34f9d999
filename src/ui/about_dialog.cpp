#include "ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "base/format_text.h"
#include "settings/app_texts.h"

namespace mardo {

CAboutDlg::CAboutDlg(const QString& settingsPath, QWidget* parent) : QDialog(parent) {
  setObjectName("about");
  setWindowTitle(texts::kAboutCaption);
  auto* icon = new QLabel(this);
  icon->setObjectName("icon");
  icon->setPixmap(windowIcon().pixmap(48, 48));
  auto* version = new QLabel(texts::kAboutVersion, this);
  version->setObjectName("version");
  auto* where = new QLabel(
      QString::fromStdString(FormatText(texts::kAboutSettingsLine, settingsPath.toStdString().c_str())),
      this);
  where->setObjectName("settingsPath");
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A button that closes the box, besides Escape and the title bar.
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->setObjectName("buttons");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* lines = new QVBoxLayout();
  lines->addWidget(version);
  lines->addWidget(where);
  auto* row = new QHBoxLayout();
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addLayout(lines, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

CTipsDlg::CTipsDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("tips");
  setWindowTitle(texts::kTipsCaption);
  auto* text = new QPlainTextEdit(this);
  text->setObjectName("usage");
  text->setAccessibleName(texts::kTipsCaption);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text->setPlainText(QString::fromUtf8(texts::kTipsText).replace("\r\n", "\n"));
  text->moveCursor(QTextCursor::Start);
  // About 80 columns by 24 lines of the text's own font.
  const QFontMetrics metrics(text->font());
  text->setMinimumSize(metrics.horizontalAdvance(QString(80, 'x')), metrics.lineSpacing() * 24);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->setObjectName("buttons");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text, 1);
  layout->addWidget(buttons);
}

}  // namespace mardo

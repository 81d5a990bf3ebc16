#include "p_about.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "app/Application.h"
#include "ui/Dialogs.h"

namespace velmora {

namespace {

QLabel* Link(const QString& href, const QString& text, QWidget* parent) {
  auto* label = new QLabel(
      QStringLiteral("<a href=\"%1\">%2</a>").arg(href.toHtmlEscaped(), text.toHtmlEscaped()),
      parent);
  label->setTextFormat(Qt::RichText);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  label->setOpenExternalLinks(false);
  QObject::connect(label, &QLabel::linkActivated, parent,
                   [](const QString& link) { Guarded([&] { dialogs().openUrl(QUrl(link)); }); });
  return label;
}

}  // namespace

QString Tabout::CopyrightLine() {
  return QStringLiteral("Copyright \u00A9 %1 the Velmora developers")
      .arg(QDate::currentDate().year());
}

Tabout::Tabout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  LoadResources();
  setObjectName(QStringLiteral("about"));
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(330, 200);

  auto* icon = new QLabel(this);
  icon->setPixmap(QPixmap(QStringLiteral(":/velmora/velmora.png"))
                      .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  icon->setGeometry(16, 16, 64, 64);

  ProductName = new QLabel(QStringLiteral("Velmora"), this);
  ProductName->setObjectName(QStringLiteral("ProductName"));
  QFont big = font();
  big.setPointSize(16);
  big.setBold(true);
  ProductName->setFont(big);
  ProductName->setGeometry(96, 16, 220, 30);

  Version = new QLabel(QStringLiteral("Version 0.6.6"), this);
  Version->setObjectName(QStringLiteral("Version"));
  Version->setGeometry(96, 48, 220, 18);

  Copyright = new QLabel(CopyrightLine(), this);
  Copyright->setObjectName(QStringLiteral("Copyright"));
  Copyright->setGeometry(16, 92, 300, 18);

  WebLink = Link(QString::fromLatin1(WebAddress), QString::fromLatin1(WebAddress), this);
  WebLink->setObjectName(QStringLiteral("WebLink"));
  WebLink->setGeometry(16, 114, 300, 18);

  SupportLink = Link(QStringLiteral("mailto:") + QString::fromLatin1(SupportAddress),
                     QString::fromLatin1(SupportAddress), this);
  SupportLink->setObjectName(QStringLiteral("SupportLink"));
  SupportLink->setGeometry(16, 136, 300, 18);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(125, 164, 80, 26);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace velmora

#include "gui/AboutDialog.h"

#include "app/MainWindowTexts.h"
#include "app/ToolHints.h"
#include "gui/ProfileIcon.h"
#include "gui/UiText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(std::function<void(const std::string&)> openLink, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(UiText(MainTexts::AboutCaption));
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(64, 64));
    auto* product = new QLabel(UiText(MainTexts::AboutProductLine), this);
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    product->setFont(bold);
    const QString site = QString::fromUtf8(WebSiteAddress);
    const QString mail = QString::fromUtf8(SupportMailLink);
    auto* siteLink = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(site), this);
    auto* mailLink = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(mail, mail.mid(7)), this);
    for (QLabel* link : {siteLink, mailLink})
        connect(link, &QLabel::linkActivated, this, [openLink](const QString& target) {
            if (openLink)
                openLink(target.toStdString());
        });
    auto* ok = new QPushButton(UiText(MainTexts::OkCaption), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(siteLink);
    text->addWidget(mailLink);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setFixedSize(sizeHint().expandedTo(QSize(340, 160)));
}

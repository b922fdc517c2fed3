#include "halvard/ui/MCSandboxAccessoryView.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

MCSandboxAccessoryView::MCSandboxAccessoryView(QWidget *parent)
    : QWidget(parent), m_imageView(new QLabel), m_titleLabel(new QLabel), m_descriptionLabel(new QLabel)
{
    const QIcon folder = QIcon::fromTheme(QStringLiteral("folder-pictures"), style()->standardIcon(QStyle::SP_DirIcon));
    m_imageView->setPixmap(folder.pixmap(48, 48));
    m_imageView->setAlignment(Qt::AlignTop);
    m_imageView->setAccessibleName(QCoreApplication::translate("Halvard", "Folder"));
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    m_titleLabel->setWordWrap(true);
    m_descriptionLabel->setWordWrap(true);
    m_descriptionLabel->setMinimumWidth(420); // about the width of a file dialog

    auto *texts = new QVBoxLayout;
    texts->addWidget(m_titleLabel);
    texts->addWidget(m_descriptionLabel);
    texts->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_imageView);
    layout->addLayout(texts, 1);
}

std::unique_ptr<MCSandboxAccessoryView> MCSandboxAccessoryView::accessoryViewWithTitle(const QString &title)
{
    auto view = std::make_unique<MCSandboxAccessoryView>();
    view->titleLabel()->setText(title);
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty())
        name = QStringLiteral("Quillon");
    view->descriptionLabel()->setText(
        QCoreApplication::translate("Halvard",
                                    "Due to system security features that protect your data from malicious attacks, "
                                    "Quillon does not have the necessary rights to access your media files. To give %1 "
                                    "access to your media files click the “Allow” button.")
            .arg(name));
    return view;
}

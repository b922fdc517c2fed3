#pragma once

// The panel accessory of the folder grant dialog: an icon, the dialog's title and a line
// that says why the program asks.
#include <QWidget>

#include <memory>

class QLabel;

class MCSandboxAccessoryView : public QWidget
{
    Q_OBJECT
public:
    explicit MCSandboxAccessoryView(QWidget *parent = nullptr);

    // A view with `title` and the explanation, filled with the application's name.
    static std::unique_ptr<MCSandboxAccessoryView> accessoryViewWithTitle(const QString &title);

    QLabel *imageView() const { return m_imageView; }
    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *descriptionLabel() const { return m_descriptionLabel; }

private:
    QLabel *m_imageView;
    QLabel *m_titleLabel;
    QLabel *m_descriptionLabel;
};

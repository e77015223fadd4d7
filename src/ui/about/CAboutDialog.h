#pragma once

#include <QCursor>
#include <QDialog>
#include <memory>

class HyperlinkStatic;

namespace Ui {
class CAboutDialog;
}

// The about box: the program's icon, name and version, its web page and mail address as links.
class CAboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
    ~CAboutDialog() override;

    // The version shown: major and minor of VOK_VERSION, the patch level when it is not 0.
    static QString versionText();
    static QString versionText(const QString& version);

    // The cursor over the links: a pointing hand of 32 by 32 pixels.
    static constexpr int HandHotSpotX = 12;
    static constexpr int HandHotSpotY = 2;
    static QCursor handCursor();

    HyperlinkStatic* m_webLink;
    HyperlinkStatic* m_mailLink;

private:
    void OnInitDialog();

    std::unique_ptr<Ui::CAboutDialog> ui;
};

#pragma once

// The tips palette: a small paged window that introduces the application. Each page is a
// picture and a short tagged text (resources "Tips/TipPage<n>.png" and "Tips/TipPage<n>.txt",
// n = 1, 2, 3, ...; the pages end at the first n that lacks either file), with a page counter,
// Previous, and Next, which reads "Got it" on the last page and closes the palette.
//
// The palette opens by itself after launch until the user has closed it once for the current
// tips version: closing it by any road (Got it, the close button, hideTips) stores that version
// under "LastShownTipsVersion".
//
// Start-up and the tips command use showTips(): it makes a palette that deletes itself once
// closed, so the caller keeps only a QPointer:
//
//   if (MCTipsPaletteController::shouldShowTipsAfterLaunch())
//       m_tips = MCTipsPaletteController::showTips(this);
//   ...
//   // the tips command
//   if (m_tips) m_tips->hideTips(); else m_tips = MCTipsPaletteController::showTips(this);
//
// Main thread only.
#include "app/shell/MCTipsViews.h"
#include "halvard/system/MCTaggedTextParser.h"
#include "halvard/ui/MCImageView.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

#include <QLabel>
#include <QTextEdit>

// Settings key: the tips version the user has seen (0 when absent).
extern const QString kMCLastShownTipsVersionKey; // "LastShownTipsVersion"

class MCTipsPaletteController : public QObject
{
    Q_OBJECT
public:
    // The version of the tips shipped.
    static constexpr qint64 kCurrentTipsVersion = 1;

    // The pages found in the tips folder given (the resources' "Tips" by default).
    explicit MCTipsPaletteController(QObject *parent = nullptr);
    explicit MCTipsPaletteController(const QString &tipsFolder, QObject *parent = nullptr);
    ~MCTipsPaletteController() override;

    // True unless "LastShownTipsVersion" holds the current version.
    static bool shouldShowTipsAfterLaunch();
    // Makes a palette owned by `parent`, shows it, and once it has been closed (after
    // `completion`) lets it delete itself.
    static MCTipsPaletteController *showTips(QObject *parent = nullptr, std::function<void()> completion = {});

    // The page files in `folder`: pictures and texts in page order, up to the first gap.
    struct PageFiles {
        QStringList imagePaths;
        QStringList taggedTextPaths;
    };
    static PageFiles pagesInFolder(const QString &folder);

    // The styles of the tagged texts: "h1" 19 pt in the palette's blue, "h2" 14 pt, "li" 14 pt,
    // "lli" 14 pt indented by 24, "em" the blue; built once per process.
    static const MCTaggedTextParser::StyleMap &taggedTextStyleMap();

    // Keeps `completion` unless one is kept already (the first stays), centres the window on the
    // screen, shows it in front and gives it the keyboard.
    void showTipsWithCompletion(std::function<void()> completion);
    // Closes the window (which counts as having seen the tips).
    void hideTips();

    QWidget *window();
    int pageCount() const { return int(m_imagePaths.size()); }
    int currentPage() const { return m_currentPage; }
    void moveToPage(int index);

    QLabel *pageLabel() const { return m_pageLabel; }
    MCTipsButtonCell *nextPageButton() const { return m_nextPageButton; }
    MCTipsButtonCell *prevPageButton() const { return m_prevPageButton; }
    QTextEdit *pageTextView() const { return m_pageTextView; }
    MCImageView *pageView() const { return m_pageView; }

public slots:
    // Closes the palette on the last page, else shows the next one.
    void nextPage();
    // The previous page (the button is disabled on the first).
    void prevPage();

private:

    void loadWindow();
    // The window is closing: marks the tips as seen and calls the completion once.
    void windowWillClose();

    QStringList m_imagePaths;
    QStringList m_taggedTextPaths;
    int m_currentPage = 0;
    std::function<void()> m_completion;
    QPointer<QWidget> m_window;
    QPointer<MCImageView> m_pageView;
    QPointer<QTextEdit> m_pageTextView;
    QPointer<QLabel> m_pageLabel;
    QPointer<MCTipsButtonCell> m_nextPageButton;
    QPointer<MCTipsButtonCell> m_prevPageButton;
};

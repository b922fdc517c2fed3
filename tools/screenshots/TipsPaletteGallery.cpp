// The tips palette on its first, a middle and its last page (with the shipped pages), and with
// no pages at all.
#include "app/shell/MCTipsPaletteController.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QTemporaryDir>

namespace {

// The palette's window on `page`; the controller lives as long as the window.
QWidget *palette(int page)
{
    auto *tips = new MCTipsPaletteController;
    QWidget *window = tips->window();
    QObject::connect(window, &QObject::destroyed, tips, &QObject::deleteLater);
    tips->moveToPage(page < 0 ? tips->pageCount() - 1 : page);
    return window;
}

QWidget *emptyPalette()
{
    static QTemporaryDir empty;
    auto *tips = new MCTipsPaletteController(empty.path());
    QWidget *window = tips->window();
    QObject::connect(window, &QObject::destroyed, tips, &QObject::deleteLater);
    return window;
}

const ScreenshotRegistration registration({
    {"tips-palette", "first", [] { return palette(0); }},
    {"tips-palette", "second", [] { return palette(1); }},
    {"tips-palette", "third", [] { return palette(2); }},
    {"tips-palette", "fourth", [] { return palette(3); }},
    {"tips-palette", "last", [] { return palette(-1); }},
    {"tips-palette", "no-pages", [] { return emptyPalette(); }},
});

} // namespace

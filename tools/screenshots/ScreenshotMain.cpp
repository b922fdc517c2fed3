// Renders every registered state into the folder given as the first argument (default
// build/screenshots). A second argument keeps only screens whose name contains it.
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>

std::vector<ScreenshotState> &screenshotStates()
{
    static std::vector<ScreenshotState> states;
    return states;
}

int main(int argc, char **argv)
{
    // Galleries change settings (the theme kind): keep them away from the user's own.
    QTemporaryDir config;
    if (config.isValid())
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const QString folder = arguments.size() > 1 ? arguments[1] : QStringLiteral("build/screenshots");
    const QString filter = arguments.size() > 2 ? arguments[2] : QString();
    QTextStream out(stdout), err(stderr);
    if (!QDir().mkpath(folder)) {
        err << "screenshots: cannot create " << folder << "\n";
        return 1;
    }
    std::vector<ScreenshotState> states = screenshotStates();
    std::stable_sort(states.begin(), states.end(), [](const auto &a, const auto &b) { return a.screen < b.screen; });
    int failures = 0;
    for (const ScreenshotState &state : states) {
        if (!filter.isEmpty() && !state.screen.contains(filter))
            continue;
        std::unique_ptr<QWidget> widget(state.build());
        if (!widget) {
            err << "screenshots: " << state.screen << "-" << state.state << " built nothing\n";
            ++failures;
            continue;
        }
        widget->resize(state.size.isEmpty() ? widget->sizeHint() : state.size);
        widget->show();
        QApplication::processEvents();
        const QString path = QDir(folder).filePath(state.screen + "-" + state.state + ".png");
        if (!widget->grab().save(path)) {
            err << "screenshots: cannot write " << path << "\n";
            ++failures;
            continue;
        }
        out << path << "\n";
    }
    return failures == 0 ? 0 : 1;
}

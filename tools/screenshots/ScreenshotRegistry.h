#pragma once

// The table of pictures the screenshot program renders. A gallery registers its states from its
// own source file in this folder:
//
//   static const ScreenshotRegistration registration({
//       {"histogram", "empty", [] { return new MCHistogramView; }},
//   });
//
// Each builder answers a new top-level widget in the state to show; the program sizes it with
// the given size (or its size hint), shows it, lets it paint and saves it as screen-state.png.
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

struct ScreenshotState {
    QString screen;
    QString state;
    std::function<QWidget *()> build;
    QSize size = {}; // empty: the widget's size hint
};

std::vector<ScreenshotState> &screenshotStates();

struct ScreenshotRegistration {
    explicit ScreenshotRegistration(std::initializer_list<ScreenshotState> states)
    {
        for (const ScreenshotState &state : states)
            screenshotStates().push_back(state);
    }
};
